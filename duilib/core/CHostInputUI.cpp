#include "duilib/core/CHostInputUI.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "duilib/control/CControlUI.h"
#include "duilib/core/CHostToolTipUI.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/core/ControlEventUI.h"

namespace DuiLib {

CControlUI* CHostInputUI::OwnControlAt(POINT pt) const {
  CControlUI* control = host_.FindControl(pt);
  return control && control->GetManager() == &host_ ? control : nullptr;
}

void CHostInputUI::OnMouseMove(POINT pt, WPARAM wParam, LPARAM lParam) {
  const HWND window = host_.GetPaintWindow();
  if (!mouseTracking_) {
    TRACKMOUSEEVENT track = {sizeof track, TME_HOVER | TME_LEAVE, window, static_cast<DWORD>(toolTip_.HoverTime())};
    ::TrackMouseEvent(&track);
    mouseTracking_ = true;
  }
  lastMouse_ = pt;
  CControlUI* control = host_.FindControl(pt);
  if (control && control->GetManager() != &host_) return;
  if (!mouseCapture_ && control != hover_) {
    if (hover_) {
      CControlUI* old = std::exchange(hover_, nullptr);
      SendControlEvent(old, UIEVENT_MOUSELEAVE, pt, wParam, lParam);
      const std::vector<CControlUI*> waiting = mouseLeaveNeeded_;
      for (CControlUI* other : waiting) {
        if (other != old && other != control &&
            std::find(mouseLeaveNeeded_.begin(), mouseLeaveNeeded_.end(), other) != mouseLeaveNeeded_.end()) {
          SendControlEvent(other, UIEVENT_MOUSELEAVE, pt, wParam, lParam);
        }
      }
      toolTip_.Hide();
    }
    // The leave handlers may have removed the control: look again.
    control = OwnControlAt(pt);
    if (control) {
      hover_ = control;
      SendControlEvent(control, UIEVENT_MOUSEENTER, pt, wParam, lParam);
    }
  }
  if (pressed_) {
    SendControlEvent(pressed_, UIEVENT_MOUSEMOVE, pt, wParam, lParam);
  } else if (control && control == host_.FindControl(pt)) {
    SendControlEvent(control, UIEVENT_MOUSEMOVE, pt, wParam, lParam);
  }
}

void CHostInputUI::OnButtonDown(POINT pt, bool doubleClick, WPARAM wParam, LPARAM lParam) {
  const HWND window = host_.GetPaintWindow();
  if (!host_.IsNoActivate()) ::SetFocus(window);
  lastMouse_ = pt;
  CControlUI* control = OwnControlAt(pt);
  if (!control) return;
  pressed_ = control;
  control->SetFocus();
  ::SetCapture(window);
  mouseCapture_ = true;
  SendControlEvent(pressed_, doubleClick ? UIEVENT_DBLCLICK : UIEVENT_BUTTONDOWN, pt, wParam, lParam);
}

void CHostInputUI::OnButtonUp(POINT pt, WPARAM wParam, LPARAM lParam) {
  lastMouse_ = pt;
  if (!pressed_) return;
  mouseCapture_ = false;
  ::ReleaseCapture();
  CControlUI* control = std::exchange(pressed_, nullptr);
  SendControlEvent(control, UIEVENT_BUTTONUP, pt, wParam, lParam);
}

void CHostInputUI::OnRightButtonDown(POINT pt, WPARAM wParam, LPARAM lParam) {
  if (!host_.IsNoActivate()) ::SetFocus(host_.GetPaintWindow());
  lastMouse_ = pt;
  CControlUI* control = OwnControlAt(pt);
  if (!control) return;
  control->SetFocus();
  SendControlEvent(control, UIEVENT_RBUTTONDOWN, pt, wParam, lParam);
}

void CHostInputUI::OnContextMenu(POINT screen, WPARAM wParam, LPARAM lParam) {
  POINT pt = screen;
  ::ScreenToClient(host_.GetPaintWindow(), &pt);
  lastMouse_ = pt;
  if (pressed_) return;
  SendControlEvent(OwnControlAt(pt), UIEVENT_CONTEXTMENU, pt, wParam, lParam);
}

void CHostInputUI::OnMouseWheel(POINT screen, int delta, LPARAM lParam) {
  POINT pt = screen;
  ::ScreenToClient(host_.GetPaintWindow(), &pt);
  lastMouse_ = pt;
  SendControlEvent(OwnControlAt(pt), UIEVENT_SCROLLWHEEL, pt, MAKELPARAM(delta < 0 ? SB_LINEDOWN : SB_LINEUP, 0),
                   lParam);
}

bool CHostInputUI::OnMouseHover(POINT pt, WPARAM wParam, LPARAM lParam) {
  mouseTracking_ = false;
  CControlUI* control = host_.FindControl(pt);
  if (!control) return false;
  if (hover_) SendControlEvent(hover_, UIEVENT_MOUSEHOVER, pt, wParam, lParam);
  if (!hover_ || hover_ != control) return false;
  return toolTip_.Show(host_.GetPaintWindow(), CResourceSettingsUI::GetInstance(), control, pt);
}

void CHostInputUI::OnMouseLeave() {
  toolTip_.Hide();
  if (mouseTracking_) {
    // Still tracking while the move is handled, so that it does not start
    // tracking again for a cursor that has left.
    const HWND window = host_.GetPaintWindow();
    POINT pt = {-1, -1};
    POINT cursor;
    if (::GetActiveWindow() == window && ::GetCursorPos(&cursor) && ::WindowFromPoint(cursor) == window &&
        ::SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y)) == HTCLIENT) {
      pt = cursor;
      ::ScreenToClient(window, &pt);
    }
    ::SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
  }
  mouseTracking_ = false;
}

bool CHostInputUI::OnSetCursor(UINT hitTest, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (hitTest != HTCLIENT) return false;
  if (mouseCapture_) {
    result = 0;
    return true;
  }
  POINT pt;
  ::GetCursorPos(&pt);
  ::ScreenToClient(host_.GetPaintWindow(), &pt);
  CControlUI* control = host_.FindControl(pt);
  if (!control || (control->GetControlFlags() & UIFLAG_SETCURSOR) == 0) return false;
  SendControlEvent(control, UIEVENT_SETCURSOR, pt, wParam, lParam);
  result = TRUE;
  return true;
}

void CHostInputUI::OnKeyDown(WPARAM key, LPARAM lParam) {
  CControlUI* focus = host_.GetFocus();
  if (!host_.GetRoot() || !focus) return;
  keyDown_ = focus;
  SendControlEvent(focus, UIEVENT_KEYDOWN, lastMouse_, key, lParam, static_cast<wchar_t>(key));
}

void CHostInputUI::OnKeyUp(WPARAM key, LPARAM lParam) {
  if (!keyDown_) return;
  CControlUI* control = std::exchange(keyDown_, nullptr);
  SendControlEvent(control, UIEVENT_KEYUP, lastMouse_, key, lParam, static_cast<wchar_t>(key));
}

void CHostInputUI::OnChar(WPARAM character, LPARAM lParam) {
  CControlUI* focus = host_.GetFocus();
  if (!host_.GetRoot() || !focus) return;
  SendControlEvent(focus, UIEVENT_CHAR, lastMouse_, character, lParam, static_cast<wchar_t>(character));
}

void CHostInputUI::OnClose() {
  if (hover_) SendControlEvent(std::exchange(hover_, nullptr), UIEVENT_MOUSELEAVE, lastMouse_, 0, 0);
  if (pressed_) SendControlEvent(std::exchange(pressed_, nullptr), UIEVENT_BUTTONUP, lastMouse_, 0, 0);
}

void CHostInputUI::AddMouseLeaveNeeded(CControlUI* control) {
  if (control && std::find(mouseLeaveNeeded_.begin(), mouseLeaveNeeded_.end(), control) == mouseLeaveNeeded_.end()) {
    mouseLeaveNeeded_.push_back(control);
  }
}

void CHostInputUI::RemoveMouseLeaveNeeded(CControlUI* control) {
  mouseLeaveNeeded_.erase(std::remove(mouseLeaveNeeded_.begin(), mouseLeaveNeeded_.end(), control),
                          mouseLeaveNeeded_.end());
}

void CHostInputUI::Forget(CControlUI* control) {
  if (hover_ == control) hover_ = nullptr;
  if (pressed_ == control) pressed_ = nullptr;
  if (keyDown_ == control) keyDown_ = nullptr;
  RemoveMouseLeaveNeeded(control);
}

void CHostInputUI::ForgetControls() {
  hover_ = pressed_ = keyDown_ = nullptr;
}

void CHostInputUI::Detach() {
  mouseTracking_ = false;
  mouseCapture_ = false;
}

}  // namespace DuiLib
