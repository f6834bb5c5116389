#include "launcher/extract/OutStreamWrapper.h"

#include "launcher/extract/FileStreams.h"

#include <utility>

namespace SevenZip::intl {

OutStreamWrapper::OutStreamWrapper(ComPtr<IStream> file) : file_(std::move(file)) {}

OutStreamWrapper::OutStreamWrapper(UniqueHandle file) : handle_(std::move(file)) {}

namespace {

HRESULT LastErrorResult() {
  const DWORD error = ::GetLastError();
  return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace

HRESULT OutStreamWrapper::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_ISequentialOutStream || iid == IID_IOutStream) {
    *object = static_cast<IOutStream*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT OutStreamWrapper::Write(const void* data, UINT32 size, UINT32* processedSize) {
  if (handle_) {
    DWORD done = 0;
    const BOOL ok = ::WriteFile(handle_.Get(), data, size, &done, nullptr);
    if (processedSize) *processedSize = done;
    return ok ? S_OK : LastErrorResult();
  }
  ULONG written = 0;
  HRESULT hr = file_->Write(data, size, &written);
  if (processedSize) *processedSize = written;
  return hr;
}

HRESULT OutStreamWrapper::Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) {
  if (handle_) {
    LARGE_INTEGER move;
    move.QuadPart = offset;
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(handle_.Get(), move, &position, seekOrigin)) return LastErrorResult();
    if (newPosition) *newPosition = static_cast<UINT64>(position.QuadPart);
    return S_OK;
  }
  return SeekFile(file_.Get(), offset, seekOrigin, newPosition);
}

HRESULT OutStreamWrapper::SetSize(UINT64 newSize) {
  if (handle_) {
    LARGE_INTEGER at{};
    LARGE_INTEGER size;
    size.QuadPart = static_cast<LONGLONG>(newSize);
    LARGE_INTEGER here{};
    if (!::SetFilePointerEx(handle_.Get(), at, &here, FILE_CURRENT) ||
        !::SetFilePointerEx(handle_.Get(), size, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle_.Get()) ||
        !::SetFilePointerEx(handle_.Get(), here, nullptr, FILE_BEGIN)) {
      return LastErrorResult();
    }
    return S_OK;
  }
  ULARGE_INTEGER size;
  size.QuadPart = newSize;
  return file_->SetSize(size);
}

}  // namespace SevenZip::intl
