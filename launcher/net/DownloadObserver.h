#pragma once

#include <urlmon.h>
#include <windows.h>

#include "launcher/net/BindCallback.h"

// Stands between the download service and a BindCallback for one download:
// every IBindStatusCallback call is passed to the callback unchanged (so the
// progress messages are exactly the callback's), and the HTTP status of the
// reply, which the service announces through IHttpNegotiate::OnResponse, is
// kept, so that the caller can tell an error page from the package; so is the
// total size the server announced, so that a transfer the server cut short can
// be told from a complete one.
//
// Lives on the caller's stack for the download call; no reference counting.
// Used on the downloading thread only.
class DownloadObserver : public IBindStatusCallback, public IHttpNegotiate {
 public:
  explicit DownloadObserver(BindCallback& callback) : callback_(callback) {}
  DownloadObserver(const DownloadObserver&) = delete;
  DownloadObserver& operator=(const DownloadObserver&) = delete;

  // The status code of the last HTTP reply, 0 when none was announced (a
  // non-HTTP address, or a failure before any reply).
  DWORD ResponseCode() const { return responseCode_; }
  // The byte count the server announced for the body, 0 when it announced
  // none (a chunked reply).
  ULONG AnnouncedSize() const { return announcedSize_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 0; }
  ULONG STDMETHODCALLTYPE Release() override { return 0; }

  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) override;
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID riid, IUnknown* object) override;

  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                 LPWSTR* additionalHeaders) override;
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                                       LPWSTR* additionalRequestHeaders) override;

 private:
  BindCallback& callback_;
  DWORD responseCode_ = 0;
  ULONG announcedSize_ = 0;
};
