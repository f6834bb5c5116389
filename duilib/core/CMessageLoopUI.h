#pragma once

#include <windows.h>

namespace DuiLib {

// The program-wide message loop of the toolkit's windows. UI thread only.
class CMessageLoopUI {
 public:
  CMessageLoopUI() = delete;

  // Gets and dispatches the thread's messages until WM_QUIT; returns its code.
  static int RunMessageLoop();
  // Offers a queued message to the window hosts (accelerators, filters, Tab,
  // system keys and shortcuts). True when it was consumed and must not be
  // translated and dispatched.
  static bool PreTranslate(const MSG* msg);
};

}  // namespace DuiLib
