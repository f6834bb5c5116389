#pragma once

#include <windows.h>

// Numbers shared by the toolkit's controls, host and drawing.
namespace DuiLib {

// Control state bits (buttons, scroll bars).
enum : UINT {
  UISTATE_FOCUSED = 0x01,
  UISTATE_DISABLED = 0x04,
  UISTATE_HOT = 0x08,
  UISTATE_PUSHED = 0x10,
  UISTATE_CAPTURED = 0x40,
};

// Kinds of ControlEventUI.
enum UIEventKind : int {
  UIEVENT_KEYDOWN = 3,
  UIEVENT_KEYUP = 4,
  UIEVENT_CHAR = 5,
  UIEVENT_SYSKEY = 6,
  UIEVENT_MOUSEMOVE = 9,
  UIEVENT_MOUSELEAVE = 10,
  UIEVENT_MOUSEENTER = 11,
  UIEVENT_MOUSEHOVER = 12,
  UIEVENT_BUTTONDOWN = 13,
  UIEVENT_BUTTONUP = 14,
  UIEVENT_RBUTTONDOWN = 15,
  UIEVENT_DBLCLICK = 16,
  UIEVENT_CONTEXTMENU = 17,
  UIEVENT_SCROLLWHEEL = 18,
  UIEVENT_KILLFOCUS = 20,
  UIEVENT_SETFOCUS = 21,
  UIEVENT_WINDOWSIZE = 22,
  UIEVENT_SETCURSOR = 23,
  UIEVENT_TIMER = 24,
};

// The mouse kinds, mouse move to scroll wheel: the events a control that
// ignores the mouse hands on instead of acting on them.
inline bool IsMouseEvent(int type) {
  return type >= UIEVENT_MOUSEMOVE && type <= UIEVENT_SCROLLWHEEL;
}

// Flags of CControlUI::FindControl.
enum : UINT {
  UIFIND_ALL = 0x00000000,
  UIFIND_VISIBLE = 0x00000001,
  UIFIND_ENABLED = 0x00000002,
  UIFIND_HITTEST = 0x00000004,
  UIFIND_UPDATETEST = 0x00000008,
  UIFIND_TOP_FIRST = 0x00000010,
  UIFIND_ME_FIRST = 0x80000000,
};

// CControlUI::GetControlFlags.
enum : UINT {
  UIFLAG_TABSTOP = 0x00000001,
  UIFLAG_SETCURSOR = 0x00000002,
  UIFLAG_WANTRETURN = 0x00000004,
};

// Key state bits of ControlEventUI::wKeyState.
enum : WORD {
  UIKEY_LBUTTON = 0x01,
  UIKEY_RBUTTON = 0x02,
  UIKEY_SHIFT = 0x04,
  UIKEY_CONTROL = 0x08,
  UIKEY_ALT = 0x20,
};

// Horizontal alignment of a container's children.
enum : int { UIALIGN_LEFT = 0, UIALIGN_CENTER = 1, UIALIGN_RIGHT = 2 };
// Vertical alignment of a container's children.
enum : int { UIVALIGN_TOP = 0, UIVALIGN_VCENTER = 4, UIVALIGN_BOTTOM = 8 };

// The host's private message that flushes queued notifications.
constexpr UINT WM_APP_ASYNC_NOTIFY = WM_APP + 1;

}  // namespace DuiLib
