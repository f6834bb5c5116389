#pragma once

#include <windows.h>

namespace DuiLib {

// One native window: class registration, creation, the window procedure, the
// modal loop and centring. The object must outlive its window; the window
// never deletes it (the owner does, after the window is gone).
//
// The window procedure keeps the object in the window's user data from
// WM_NCCREATE to WM_NCDESTROY; a superclassed system control keeps it in the
// window property "WndX". UI thread only.
class CWindowWnd {
 public:
  CWindowWnd() = default;
  virtual ~CWindowWnd() = default;
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return hwnd_; }
  operator HWND() const { return hwnd_; }

  // Registers the class (an existing class of that name counts as
  // registered) and creates the window with this object as its creation
  // parameter. Null when the class cannot be registered or the window not
  // created.
  HWND Create(HWND owner, const wchar_t* title, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
  // Posts WM_CLOSE with `code` in wParam; nothing when there is no window.
  void Close(UINT code = IDOK);
  // Shows the window, disables its owner and runs a message loop until the
  // window is gone. Returns the code of the WM_CLOSE this window received
  // through the queue (0 when none). A WM_QUIT ends the loop and is posted
  // again. The owner is enabled and focused again afterwards.
  UINT ShowModal();
  // Centres the window over its owner (over the work area when it has none
  // or the owner is minimised), kept inside the work area of the monitor
  // nearest the owner. Size, z-order and activation are unchanged.
  void CenterOnOwner();
  // SW_SHOWNORMAL, SW_SHOWNOACTIVATE or SW_HIDE.
  void Show(bool show = true, bool takeFocus = true);

 protected:
  virtual const wchar_t* WindowClassName() const = 0;
  // A system class to superclass; null for none.
  virtual const wchar_t* SuperclassName() const { return nullptr; }
  virtual UINT ClassStyle() const { return 0; }
  // Every message of the window after WM_NCCREATE; the default passes it on.
  virtual LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Called after WM_NCDESTROY, when the handle is already forgotten.
  virtual void OnWindowDestroyed(HWND window);

  // The procedure the window had before this class: DefWindowProcW unless a
  // superclass replaced it.
  LRESULT CallPreviousProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  bool RegisterWindowClass();
  bool RegisterSuperclass();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT Dispatch(CWindowWnd* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool byProperty);

  HWND hwnd_ = nullptr;
  WNDPROC previousProc_ = ::DefWindowProcW;
};

}  // namespace DuiLib
