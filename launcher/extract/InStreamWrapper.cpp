#include "launcher/extract/InStreamWrapper.h"

#include "launcher/extract/FileStreams.h"

#include <utility>

namespace SevenZip::intl {

InStreamWrapper::InStreamWrapper(ComPtr<IStream> file) : file_(std::move(file)) {}

InStreamWrapper::InStreamWrapper(UniqueHandle file) : handle_(std::move(file)) {}

HRESULT InStreamWrapper::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_ISequentialInStream || iid == IID_IInStream) {
    *object = static_cast<IInStream*>(this);
  } else if (iid == IID_IStreamGetSize) {
    *object = static_cast<IStreamGetSize*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT InStreamWrapper::Read(void* data, UINT32 size, UINT32* processedSize) {
  if (handle_) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position_);
    at.OffsetHigh = static_cast<DWORD>(position_ >> 32);
    DWORD done = 0;
    // A read at or past the end reads nothing, which the engine takes as
    // the end.
    if (!::ReadFile(handle_.Get(), data, size, &done, &at) && ::GetLastError() != ERROR_HANDLE_EOF) {
      if (processedSize) *processedSize = 0;
      return HRESULT_FROM_WIN32(::GetLastError());
    }
    position_ += done;
    if (processedSize) *processedSize = done;
    return S_OK;
  }
  ULONG read = 0;
  HRESULT hr = file_->Read(data, size, &read);
  if (processedSize) *processedSize = read;
  // The platform answers S_FALSE for a short read; the engine expects S_OK
  // with the count, and treats a count of 0 as the end.
  return FAILED(hr) ? hr : S_OK;
}

HRESULT InStreamWrapper::Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) {
  if (!handle_) return SeekFile(file_.Get(), offset, seekOrigin, newPosition);
  INT64 base = 0;
  if (seekOrigin == STREAM_SEEK_CUR) {
    base = static_cast<INT64>(position_);
  } else if (seekOrigin == STREAM_SEEK_END) {
    UINT64 size = 0;
    if (HRESULT hr = GetSize(&size); FAILED(hr)) return hr;
    base = static_cast<INT64>(size);
  } else if (seekOrigin != STREAM_SEEK_SET) {
    return STG_E_INVALIDFUNCTION;
  }
  if (offset < 0 && base + offset < 0) return HRESULT_FROM_WIN32(ERROR_NEGATIVE_SEEK);
  position_ = static_cast<UINT64>(base + offset);
  if (newPosition) *newPosition = position_;
  return S_OK;
}

HRESULT InStreamWrapper::GetSize(UINT64* size) {
  if (handle_) {
    LARGE_INTEGER bytes{};
    if (!::GetFileSizeEx(handle_.Get(), &bytes)) return HRESULT_FROM_WIN32(::GetLastError());
    if (size) *size = static_cast<UINT64>(bytes.QuadPart);
    return S_OK;
  }
  STATSTG stat{};
  HRESULT hr = file_->Stat(&stat, STATFLAG_NONAME);
  if (SUCCEEDED(hr) && size) *size = stat.cbSize.QuadPart;
  return hr;
}

}  // namespace SevenZip::intl
