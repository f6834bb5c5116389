#include "duilib/core/WindowImplBase.h"

#include <cwchar>
#include <deque>
#include <vector>

#include "base/MessagePoint.h"
#include "base/UniqueGdiObject.h"
#include "duilib/control/CControlUI.h"
#include "duilib/core/CDialogBuilder.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "duilib/core/MessageRoute.h"

namespace DuiLib {

namespace {

// The directory of the program's module with its final backslash; empty
// when no instance is set.
std::wstring InstancePath() {
  HINSTANCE instance = CResourceSettingsUI::GetInstance();
  if (!instance) return L"";
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(instance, path, MAX_PATH);
  std::wstring text(path, length);
  const size_t slash = text.rfind(L'\\');
  return slash == std::wstring::npos ? L"" : text.substr(0, slash + 1);
}

// Skin packages loaded from "ZIPRES" resources. The toolkit reads an
// installed package for the rest of the run, so none is ever freed.
std::deque<std::vector<BYTE>>& SkinBuffers() {
  static std::deque<std::vector<BYTE>> buffers;
  return buffers;
}

}  // namespace

const TNotifyMapUI* WindowImplBase::NotifyMap() const {
  static const TNotifyMapEntryUI entries[] = {
      {L"click", L"", kNotifyHandlerRecord, nullptr,
       [](CNotifyPump* pump, NotificationUI& msg) { static_cast<WindowImplBase*>(pump)->OnClickNotification(msg); }},
      {nullptr, nullptr, kNotifyHandlerNone, nullptr, nullptr},
  };
  static const TNotifyMapUI map = {nullptr, entries};
  return &map;
}

void WindowImplBase::OnNotify(NotificationUI& msg) {
  NotifyPump(msg);
}

void WindowImplBase::OnClickNotification(NotificationUI& msg) {
  if (!msg.sender) return;
  const std::wstring& name = msg.sender->GetName();
  if (name == L"closebtn") {
    Close(1);
  } else if (name == L"minbtn") {
    ::SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"maxbtn") {
    ::SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == L"restorebtn") {
    ::SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_RESTORE, 0);
  }
}

LRESULT WindowImplBase::FilterMessage(UINT message, WPARAM wParam, LPARAM, bool&) {
  if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) OnDefaultKey(wParam);
  return 0;
}

LRESULT WindowImplBase::OnDefaultKey(WPARAM key) {
  if (key != VK_ESCAPE) return 0;
  Close(1);
  return 1;
}

CControlUI* WindowImplBase::CreateControl(const wchar_t*) {
  return nullptr;
}

LRESULT WindowImplBase::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Every message not named here goes to OnOtherMessage, then to the host.
  static const MessageRoute<WindowImplBase> kRoutes[] = {
      {WM_CREATE, &WindowImplBase::OnCreate},
      {WM_DESTROY, &WindowImplBase::OnDestroy},
      {WM_SIZE, &WindowImplBase::OnSize},
      {WM_SETFOCUS, &WindowImplBase::OnSetFocus},
      {WM_KILLFOCUS, &WindowImplBase::OnKillFocus},
      {WM_CLOSE, &WindowImplBase::OnClose},
      {WM_GETMINMAXINFO, &WindowImplBase::OnGetMinMaxInfo},
      {WM_NCCALCSIZE, &WindowImplBase::OnNcCalcSize},
      {WM_NCHITTEST, &WindowImplBase::OnNcHitTest},
      {WM_NCPAINT, &WindowImplBase::OnNcPaint},
      {WM_NCACTIVATE, &WindowImplBase::OnNcActivate},
      {WM_KEYDOWN, &WindowImplBase::OnKeyDown},
      {WM_CHAR, &WindowImplBase::OnChar},
      {WM_SYSCOMMAND, &WindowImplBase::OnSysCommand},
      {WM_MOUSEMOVE, &WindowImplBase::OnMouseMove},
      {WM_LBUTTONDOWN, &WindowImplBase::OnLButtonDown},
      {WM_LBUTTONUP, &WindowImplBase::OnLButtonUp},
      {WM_MOUSEWHEEL, &WindowImplBase::OnMouseWheel},
      {WM_MOUSEHOVER, &WindowImplBase::OnMouseHover},
  };
  bool handled = false;
  LRESULT result = RouteMessage(*this, kRoutes, message, wParam, lParam, handled);
  if (handled) return result;
  result = OnOtherMessage(message, wParam, lParam, handled);
  if (handled) return result;
  return PassToHost(message, wParam, lParam);
}

LRESULT WindowImplBase::PassToHost(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (host_.MessageHandler(message, wParam, lParam, result)) return result;
  return CallPreviousProc(message, wParam, lParam);
}

void WindowImplBase::OnWindowDestroyed(HWND) {
  host_.RemovePreMessageFilter(this);
  host_.RemoveNotifier(this);
  host_.ReleaseControls();
  host_.Uninit();
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, bool& handled) {
  if (::IsIconic(GetHWND())) handled = false;
  return wParam == 0 ? 1 : 0;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM lParam, bool&) {
  if (!::IsZoomed(GetHWND())) return 0;
  // Maximised, the window covers the work area only, not the task bar.
  auto* rc = reinterpret_cast<RECT*>(lParam);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(GetHWND(), MONITOR_DEFAULTTONEAREST), &monitor);
  rc->right = rc->left + (monitor.rcWork.right - monitor.rcWork.left);
  rc->bottom = rc->top + (monitor.rcWork.bottom - monitor.rcWork.top);
  return WVR_REDRAW;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool&) {
  return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
  POINT pt = PointFromLParam(lParam);
  ::ScreenToClient(GetHWND(), &pt);
  RECT client;
  ::GetClientRect(GetHWND(), &client);
  if (!::IsZoomed(GetHWND())) {
    const RECT box = host_.GetSizeBox();
    const bool left = pt.x < client.left + box.left;
    const bool right = pt.x >= client.right - box.right;
    if (pt.y < client.top + box.top) {
      if (left) return HTTOPLEFT;
      if (right) return HTTOPRIGHT;
      return HTTOP;
    }
    if (pt.y >= client.bottom - box.bottom) {
      if (left) return HTBOTTOMLEFT;
      if (right) return HTBOTTOMRIGHT;
      return HTBOTTOM;
    }
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
  }
  const RECT caption = host_.GetCaptionRect();
  if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right && pt.y >= caption.top &&
      pt.y < caption.bottom) {
    CControlUI* control = host_.FindControl(pt);
    if (control && DragsWindow(*control)) return HTCAPTION;
  }
  return HTCLIENT;
}

bool WindowImplBase::DragsWindow(const CControlUI& control) {
  // This toolkit builds no option or text control (its skins use none); the
  // two names stay so that a skin that brings them in keeps them clickable in
  // the caption band, as buttons are.
  const wchar_t* cls = control.GetClass();
  return ::_wcsicmp(cls, L"Button") != 0 && ::_wcsicmp(cls, L"Option") != 0 && ::_wcsicmp(cls, L"Text") != 0;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& handled) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(GetHWND(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  info->ptMaxPosition.x = work.left - monitor.rcMonitor.left;
  info->ptMaxPosition.y = work.top - monitor.rcMonitor.top;
  info->ptMaxTrackSize.x = work.right - work.left;
  info->ptMaxTrackSize.y = work.bottom - work.top;
  const SIZE minimum = host_.GetMinInfo();
  info->ptMinTrackSize.x = minimum.cx;
  info->ptMinTrackSize.y = minimum.cy;
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& handled) {
  const SIZE round = host_.GetRoundCorner();
  if (!::IsIconic(GetHWND()) && (round.cx != 0 || round.cy != 0)) {
    RECT rc;
    ::GetWindowRect(GetHWND(), &rc);
    ::OffsetRect(&rc, -rc.left, -rc.top);
    UniqueRegion region(::CreateRoundRectRgn(rc.left, rc.top, rc.right + 1, rc.bottom + 1, round.cx, round.cy));
    // The system owns the region once it is set.
    if (region && ::SetWindowRgn(GetHWND(), region.Get(), TRUE)) region.Detach();
  }
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
  // The low four bits of a system command belong to the system.
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    ::SendMessageW(GetHWND(), WM_CLOSE, 0, 0);
    return 0;
  }
  const HWND window = GetHWND();
  const bool zoomedBefore = ::IsZoomed(window) != FALSE;
  const LRESULT result = CallPreviousProc(message, wParam, lParam);
  if (!::IsWindow(window) || (::IsZoomed(window) != FALSE) == zoomedBefore) return result;
  CControlUI* maxButton = host_.FindControl(std::wstring(L"maxbtn"));
  CControlUI* restoreButton = host_.FindControl(std::wstring(L"restorebtn"));
  if (maxButton && restoreButton) {
    maxButton->SetVisible(zoomedBefore);
    restoreButton->SetVisible(!zoomedBefore);
  }
  return result;
}

bool WindowImplBase::InstallSkinResource() {
  const std::wstring id = SkinResourceId();
  const wchar_t* name = id.c_str();
  // A decimal id names a numbered resource.
  if (!id.empty() && id.find_first_not_of(L"0123456789") == std::wstring::npos) {
    name = MAKEINTRESOURCEW(std::wcstoul(id.c_str(), nullptr, 10));
  }
  std::vector<BYTE> bytes;
  if (!CResourceSettingsUI::ReadResource(name, L"ZIPRES", bytes) || bytes.empty()) return false;
  auto& buffers = SkinBuffers();
  buffers.push_back(std::move(bytes));
  CResourceSettingsUI::SetResourceZip(buffers.back().data(), buffers.back().size());
  return true;
}

void WindowImplBase::FailSkin() {
  ::OutputDebugStringW(L"资源错误");
  ::OutputDebugStringW(SkinFile().c_str());
  ::MessageBoxW(nullptr, L"加载资源文件失败", L"Duilib", MB_ICONHAND);
  ::ExitProcess(1);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool&) {
  const HWND window = GetHWND();
  ::SetWindowLongW(window, GWL_STYLE, StyleWithoutCaption() | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  RECT client;
  ::GetClientRect(window, &client);
  ::SetWindowPos(window, nullptr, client.left, client.top, client.right - client.left, client.bottom - client.top,
                 SWP_FRAMECHANGED);

  host_.Init(window);
  host_.AddPreMessageFilter(this);

  if (CResourceSettingsUI::GetResourcePath().empty()) {
    const std::wstring path = InstancePath() + SkinFolder();
    CResourceSettingsUI::SetResourcePath(path.c_str());
  }
  switch (SkinSourceKind()) {
    case SkinSource::ZipFile:
      CResourceSettingsUI::SetResourceZip(SkinArchiveName().c_str(), true);
      break;
    case SkinSource::ZipResource:
      if (!InstallSkinResource()) return 0;
      break;
    default:
      break;
  }

  CDialogBuilder builder;
  const std::wstring file = SkinFile();
  CControlUI* root = nullptr;
  if (SkinSourceKind() == SkinSource::Resource) {
    const auto id = static_cast<WORD>(std::wcstoul(file.c_str(), nullptr, 10));
    root = builder.Create(MAKEINTRESOURCEW(id), L"xml", this, &host_, nullptr);
  } else {
    root = builder.Create(file.c_str(), nullptr, this, &host_, nullptr);
  }
  if (!root) FailSkin();
  host_.AttachDialog(root);
  host_.AddNotifier(this);
  OnSkinLoaded();
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnOtherMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LONG WindowImplBase::StyleWithoutCaption() {
  return ::GetWindowLongW(GetHWND(), GWL_STYLE) & ~static_cast<LONG>(WS_CAPTION);
}

}  // namespace DuiLib
