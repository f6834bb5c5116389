#include "launcher/net/DownloadObserver.h"

namespace Launcher {

HRESULT STDMETHODCALLTYPE DownloadObserver::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBindStatusCallback)) {
    *object = static_cast<IBindStatusCallback*>(this);
    return S_OK;
  }
  if (IsEqualIID(riid, IID_IHttpNegotiate)) {
    *object = static_cast<IHttpNegotiate*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE DownloadObserver::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                                       LPCWSTR statusText) {
  if (statusCode == BINDSTATUS_BEGINDOWNLOADDATA || statusCode == BINDSTATUS_DOWNLOADINGDATA ||
      statusCode == BINDSTATUS_ENDDOWNLOADDATA) {
    announcedSize_ = progressMax;
  }
  return BindCallback::OnProgress(progress, progressMax, statusCode, statusText);
}

HRESULT STDMETHODCALLTYPE DownloadObserver::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) {
  if (additionalHeaders) *additionalHeaders = nullptr;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadObserver::OnResponse(DWORD responseCode, LPCWSTR, LPCWSTR,
                                                       LPWSTR* additionalRequestHeaders) {
  if (additionalRequestHeaders) *additionalRequestHeaders = nullptr;
  responseCode_ = responseCode;
  // Stopping here keeps an error page from being written as the package.
  return responseCode >= 400 ? E_ABORT : S_OK;
}

}  // namespace Launcher
