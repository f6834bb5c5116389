#pragma once

#include <windows.h>

#include <string>

namespace DuiLib {

class CControlUI;

// What a notification sink receives (CWindowHostUI::SendNotify): "click",
// "windowinit", "setfocus", "killfocus", "timer", "scroll", "menu". The sender
// is owned by its window's control tree and valid while the record is handed
// out; sinks must not keep it.
struct NotificationUI {
  std::wstring type;
  std::wstring virtualWnd;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mouse = {0, 0};
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

}  // namespace DuiLib
