#pragma once

#include <urlmon.h>
#include <windows.h>

#include "launcher/net/BindCallback.h"

namespace Launcher {

// A BindCallback for one download that also keeps what the download service
// tells about the reply: every IBindStatusCallback call is the callback's own
// (so the progress messages are exactly the callback's), and the HTTP status
// of the reply, which the service announces through IHttpNegotiate::OnResponse,
// is kept, so that the caller can tell an error page from the package; so is
// the total size the server announced, so that a transfer the server cut short
// can be told from a complete one.
//
// Lives on the caller's stack for the download call; no reference counting.
// Used on the downloading thread only.
class DownloadObserver : public BindCallback, public IHttpNegotiate {
 public:
  explicit DownloadObserver(const BindCallback& callback) : BindCallback(callback) {}
  DownloadObserver(const DownloadObserver&) = delete;
  DownloadObserver& operator=(const DownloadObserver&) = delete;

  // The status code of the last HTTP reply, 0 when none was announced (a
  // non-HTTP address, or a failure before any reply).
  DWORD ResponseCode() const { return responseCode_; }
  // The byte count the server announced for the body, 0 when it announced
  // none (a chunked reply).
  ULONG AnnouncedSize() const { return announcedSize_; }

  // Both interfaces share one identity; like the callback, no counting.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 0; }
  ULONG STDMETHODCALLTYPE Release() override { return 0; }

  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) override;

  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                 LPWSTR* additionalHeaders) override;
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                                       LPWSTR* additionalRequestHeaders) override;

 private:
  DWORD responseCode_ = 0;
  ULONG announcedSize_ = 0;
};

}  // namespace Launcher
