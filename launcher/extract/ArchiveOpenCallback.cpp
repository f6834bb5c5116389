#include "launcher/extract/ArchiveOpenCallback.h"

namespace SevenZip::intl {

HRESULT ArchiveOpenCallback::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IArchiveOpenCallback) {
    *object = static_cast<IArchiveOpenCallback*>(this);
  } else if (iid == IID_ICryptoGetTextPassword) {
    *object = static_cast<ICryptoGetTextPassword*>(this);
  } else {
    // The engine also asks for the volume and message callbacks; it copes
    // without them.
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT ArchiveOpenCallback::SetTotal(const UINT64*, const UINT64*) {
  return S_OK;
}

HRESULT ArchiveOpenCallback::SetCompleted(const UINT64*, const UINT64*) {
  return S_OK;
}

HRESULT ArchiveOpenCallback::CryptoGetTextPassword(BSTR* password) {
  if (password) *password = nullptr;
  return E_ABORT;
}

}  // namespace SevenZip::intl
