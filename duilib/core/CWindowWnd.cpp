#include "duilib/core/CWindowWnd.h"

#include "duilib/core/CMessageLoopUI.h"
#include "duilib/core/CResourceSettingsUI.h"

namespace DuiLib {

namespace {

constexpr wchar_t kObjectProperty[] = L"WndX";

bool RegisteredOrExists(ATOM atom) {
  return atom != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

bool CWindowWnd::RegisterWindowClass() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = ClassStyle();
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = CResourceSettingsUI::GetInstance();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = WindowClassName();
  return RegisteredOrExists(::RegisterClassExW(&wc));
}

bool CWindowWnd::RegisterSuperclass() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  HINSTANCE instance = CResourceSettingsUI::GetInstance();
  if (!::GetClassInfoExW(nullptr, SuperclassName(), &wc) && !::GetClassInfoExW(instance, SuperclassName(), &wc)) {
    return false;
  }
  previousProc_ = wc.lpfnWndProc;
  wc.lpfnWndProc = ControlProc;
  wc.hInstance = instance;
  wc.lpszClassName = WindowClassName();
  return RegisteredOrExists(::RegisterClassExW(&wc));
}

HWND CWindowWnd::Create(HWND owner, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                        HMENU menu) {
  const bool registered = SuperclassName() ? RegisterSuperclass() : RegisterWindowClass();
  if (!registered) return nullptr;
  hwnd_ = ::CreateWindowExW(exStyle, WindowClassName(), title, style, x, y, cx, cy, owner, menu,
                            CResourceSettingsUI::GetInstance(), this);
  return hwnd_;
}

void CWindowWnd::Close(UINT code) {
  if (hwnd_ && ::IsWindow(hwnd_)) ::PostMessageW(hwnd_, WM_CLOSE, code, 0);
}

UINT CWindowWnd::ShowModal() {
  // The handle is forgotten on WM_NCDESTROY; the loop watches its own copy.
  const HWND window = hwnd_;
  if (!window) return 0;
  const HWND owner = ::GetWindow(window, GW_OWNER);
  ::ShowWindow(window, SW_SHOWNORMAL);
  if (owner) ::EnableWindow(owner, FALSE);
  UINT result = 0;
  bool quit = false;
  WPARAM quitCode = 0;
  MSG msg = {};
  while (::IsWindow(window)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (got == -1) break;
    if (msg.message == WM_CLOSE && msg.hwnd == window) {
      result = static_cast<UINT>(msg.wParam);
      // The owner must be enabled before this window goes, or the system
      // activates some other program's window.
      if (owner) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
      }
    }
    if (!CMessageLoopUI::PreTranslate(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  if (owner) {
    ::EnableWindow(owner, TRUE);
    ::SetFocus(owner);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
  return result;
}

void CWindowWnd::CenterOnOwner() {
  if (!hwnd_) return;
  RECT rc;
  ::GetWindowRect(hwnd_, &rc);
  const HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT work = monitor.rcWork;
  RECT reference = work;
  if (owner && !::IsIconic(owner)) ::GetWindowRect(owner, &reference);
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  int left = (reference.left + reference.right) / 2 - width / 2;
  int top = (reference.top + reference.bottom) / 2 - height / 2;
  if (left < work.left) {
    left = work.left;
  } else if (left + width > work.right) {
    left = work.right - width;
  }
  if (top < work.top) {
    top = work.top;
  } else if (top + height > work.bottom) {
    top = work.bottom - height;
  }
  ::SetWindowPos(hwnd_, nullptr, left, top, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::Show(bool show, bool takeFocus) {
  if (!hwnd_) return;
  ::ShowWindow(hwnd_, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

LRESULT CWindowWnd::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallPreviousProc(message, wParam, lParam);
}

void CWindowWnd::OnWindowDestroyed(HWND) {}

LRESULT CWindowWnd::CallPreviousProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(previousProc_, hwnd_, message, wParam, lParam);
}

LRESULT CWindowWnd::Dispatch(CWindowWnd* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                             bool byProperty) {
  if (message == WM_NCDESTROY && self) {
    const LRESULT result = ::CallWindowProcW(self->previousProc_, window, message, wParam, lParam);
    if (byProperty) {
      ::RemovePropW(window, kObjectProperty);
    } else {
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    self->hwnd_ = nullptr;
    self->OnWindowDestroyed(window);
    return result;
  }
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  return self->HandleWindowMessage(message, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<CWindowWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  return Dispatch(self, window, message, wParam, lParam, false);
}

LRESULT CALLBACK CWindowWnd::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<CWindowWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = window;
    ::SetPropW(window, kObjectProperty, self);
  } else {
    self = static_cast<CWindowWnd*>(::GetPropW(window, kObjectProperty));
  }
  return Dispatch(self, window, message, wParam, lParam, true);
}

}  // namespace DuiLib
