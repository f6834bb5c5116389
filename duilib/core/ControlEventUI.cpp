#include "duilib/core/ControlEventUI.h"

#include "duilib/control/CControlUI.h"

namespace DuiLib {
namespace {

WORD KeyState() {
  WORD state = 0;
  if (::GetKeyState(VK_LBUTTON) < 0) state |= UIKEY_LBUTTON;
  if (::GetKeyState(VK_RBUTTON) < 0) state |= UIKEY_RBUTTON;
  if (::GetKeyState(VK_SHIFT) < 0) state |= UIKEY_SHIFT;
  if (::GetKeyState(VK_CONTROL) < 0) state |= UIKEY_CONTROL;
  if (::GetKeyState(VK_MENU) < 0) state |= UIKEY_ALT;
  return state;
}

}  // namespace

void SendControlEvent(CControlUI* control, int type, POINT pt, WPARAM wParam, LPARAM lParam, wchar_t key) {
  if (!control) return;
  ControlEventUI event;
  event.type = type;
  event.sender = control;
  event.timestamp = ::GetTickCount();
  event.mouse = pt;
  event.key = key;
  event.keyState = KeyState();
  event.wParam = wParam;
  event.lParam = lParam;
  control->Event(event);
}

}  // namespace DuiLib
