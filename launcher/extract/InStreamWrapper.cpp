#include "launcher/extract/InStreamWrapper.h"

#include "launcher/extract/FileStreams.h"

#include <utility>

namespace SevenZip::intl {

InStreamWrapper::InStreamWrapper(ComPtr<IStream> file) : file_(std::move(file)) {}

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
  ULONG read = 0;
  HRESULT hr = file_->Read(data, size, &read);
  if (processedSize) *processedSize = read;
  // The platform answers S_FALSE for a short read; the engine expects S_OK
  // with the count, and treats a count of 0 as the end.
  return FAILED(hr) ? hr : S_OK;
}

HRESULT InStreamWrapper::Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) {
  return SeekFile(file_.Get(), offset, seekOrigin, newPosition);
}

HRESULT InStreamWrapper::GetSize(UINT64* size) {
  STATSTG stat{};
  HRESULT hr = file_->Stat(&stat, STATFLAG_NONAME);
  if (SUCCEEDED(hr) && size) *size = stat.cbSize.QuadPart;
  return hr;
}

}  // namespace SevenZip::intl
