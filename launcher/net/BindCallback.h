#pragma once

#include <urlmon.h>
#include <windows.h>

namespace Launcher {

// The progress sink of a package download: every OnProgress of the download
// service is posted to the target window as WM_UPDATE_PROGRESS (wParam =
// bytes received, lParam = bytes expected, 0 while unknown), exactly as the
// service reported them.
//
// A plain value object: the caller builds it on its stack and passes it by
// value; the copy lives exactly as long as the download call. It does no
// reference counting (AddRef and Release answer 0 and never delete) and
// offers no other interface (QueryInterface answers E_NOTIMPL). OnProgress
// runs on the downloading thread; posting is safe from any thread, and a
// failed post (the window has gone) is ignored. The download cannot be
// cancelled from here: OnProgress always answers S_OK.
class BindCallback : public IBindStatusCallback {
 public:
  explicit BindCallback(HWND target) : target_(target) {}
  BindCallback(const BindCallback&) = default;
  BindCallback& operator=(const BindCallback&) = default;

  HWND Target() const { return target_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) override;
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID riid, IUnknown* object) override;

 private:
  HWND target_;
};

}  // namespace Launcher
