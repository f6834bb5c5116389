#include "launcher/extract/OutStreamWrapper.h"

#include "launcher/extract/FileStreams.h"

#include <utility>

namespace SevenZip::intl {

OutStreamWrapper::OutStreamWrapper(ComPtr<IStream> file) : file_(std::move(file)) {}

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
  ULONG written = 0;
  HRESULT hr = file_->Write(data, size, &written);
  if (processedSize) *processedSize = written;
  return hr;
}

HRESULT OutStreamWrapper::Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) {
  return SeekFile(file_.Get(), offset, seekOrigin, newPosition);
}

HRESULT OutStreamWrapper::SetSize(UINT64 newSize) {
  ULARGE_INTEGER size;
  size.QuadPart = newSize;
  return file_->SetSize(size);
}

}  // namespace SevenZip::intl
