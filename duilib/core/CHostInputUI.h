#pragma once

#include <windows.h>

#include <vector>

namespace DuiLib {

class CControlUI;
class CHostToolTipUI;
class CWindowHostUI;

// The mouse and keyboard side of one window host: which control is under the
// mouse (hover), which holds the capture (pressed) and which got the last
// key-down, the last mouse point, and the leave and hover tracking. Each
// handler takes a native message's decoded arguments (and the raw ones that
// the control event carries on) and turns it into control events.
//
// Refers to its host and the host's tooltip (both outlive it) and to
// controls it does not own: the host calls Forget before a control goes. UI
// thread only.
class CHostInputUI {
 public:
  CHostInputUI(CWindowHostUI& host, CHostToolTipUI& toolTip) : host_(host), toolTip_(toolTip) {}
  CHostInputUI(const CHostInputUI&) = delete;
  CHostInputUI& operator=(const CHostInputUI&) = delete;

  // The last mouse point in client co-ordinates ((-1, -1) before the first).
  POINT LastMouse() const { return lastMouse_; }

  // Mouse messages; points are client co-ordinates unless named `screen`.
  void OnMouseMove(POINT pt, WPARAM wParam, LPARAM lParam);
  void OnButtonDown(POINT pt, bool doubleClick, WPARAM wParam, LPARAM lParam);
  void OnButtonUp(POINT pt, WPARAM wParam, LPARAM lParam);
  void OnRightButtonDown(POINT pt, WPARAM wParam, LPARAM lParam);
  void OnContextMenu(POINT screen, WPARAM wParam, LPARAM lParam);
  // `delta`: the wheel's signed turn (negative: towards the user).
  void OnMouseWheel(POINT screen, int delta, LPARAM lParam);
  // True when a tooltip was shown (the message is taken then).
  bool OnMouseHover(POINT pt, WPARAM wParam, LPARAM lParam);
  void OnMouseLeave();
  // True (with `result`) when the cursor message is taken: while captured,
  // or when the control under the cursor wants to set it.
  bool OnSetCursor(UINT hitTest, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Keyboard messages, for the focused control.
  void OnKeyDown(WPARAM key, LPARAM lParam);
  void OnKeyUp(WPARAM key, LPARAM lParam);
  void OnChar(WPARAM character, LPARAM lParam);

  // The window closes: the hover control gets mouse-leave, the pressed one
  // button-up.
  void OnClose();

  // Controls that wait for a mouse-leave although the point is still inside.
  void AddMouseLeaveNeeded(CControlUI* control);
  void RemoveMouseLeaveNeeded(CControlUI* control);

  // Forgets every reference to `control`.
  void Forget(CControlUI* control);
  // A new root: no hover, pressed or key-down control any more.
  void ForgetControls();
  // The window goes: tracking and capture end with it.
  void Detach();

 private:
  // The control at `pt` when it belongs to this host, else null.
  CControlUI* OwnControlAt(POINT pt) const;

  CWindowHostUI& host_;
  CHostToolTipUI& toolTip_;
  CControlUI* hover_ = nullptr;
  CControlUI* pressed_ = nullptr;
  CControlUI* keyDown_ = nullptr;
  std::vector<CControlUI*> mouseLeaveNeeded_;
  POINT lastMouse_ = {-1, -1};
  bool mouseTracking_ = false;
  bool mouseCapture_ = false;
};

}  // namespace DuiLib
