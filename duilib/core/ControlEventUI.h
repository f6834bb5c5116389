#pragma once

#include <windows.h>

#include "duilib/core/UIDefines.h"

namespace DuiLib {

class CControlUI;

// One event the host hands to a control's Event (kinds in UIDefines.h).
struct ControlEventUI {
  int type = 0;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mouse = {0, 0};
  wchar_t key = 0;
  WORD keyState = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Hands `control` (nothing for null) an event of kind `type` stamped with the
// tick count and the keyboard state of now (UIKEY_* bits).
void SendControlEvent(CControlUI* control, int type, POINT pt, WPARAM wParam, LPARAM lParam, wchar_t key = 0);

}  // namespace DuiLib
