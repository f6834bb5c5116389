#include "launcher/net/BindCallback.h"

#include "launcher/net/ProgressMessage.h"

namespace Launcher {

HRESULT STDMETHODCALLTYPE BindCallback::QueryInterface(REFIID, void** object) {
  if (object) *object = nullptr;
  return E_NOTIMPL;
}

// The object lives on its owner's stack for exactly the download call, so the
// service's reference counting has nothing to decide.
ULONG STDMETHODCALLTYPE BindCallback::AddRef() {
  return 0;
}
ULONG STDMETHODCALLTYPE BindCallback::Release() {
  return 0;
}

HRESULT STDMETHODCALLTYPE BindCallback::OnStartBinding(DWORD, IBinding*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE BindCallback::GetPriority(LONG*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE BindCallback::OnLowResource(DWORD) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE BindCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR) {
  ::PostMessageW(target_, WM_UPDATE_PROGRESS, static_cast<WPARAM>(progress), static_cast<LPARAM>(progressMax));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BindCallback::OnStopBinding(HRESULT, LPCWSTR) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE BindCallback::GetBindInfo(DWORD*, BINDINFO*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE BindCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE BindCallback::OnObjectAvailable(REFIID, IUnknown*) {
  return E_NOTIMPL;
}

}  // namespace Launcher
