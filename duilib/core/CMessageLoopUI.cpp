#include "duilib/core/CMessageLoopUI.h"

#include "duilib/core/CWindowHostUI.h"

namespace DuiLib {

int CMessageLoopUI::RunMessageLoop() {
  MSG msg = {};
  for (;;) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    // -1 is a broken call (bad arguments), not a message: stop rather than spin.
    if (got == 0 || got == -1) break;
    if (!PreTranslate(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}

bool CMessageLoopUI::PreTranslate(const MSG* msg) {
  return CWindowHostUI::TranslateMessage(msg);
}

}  // namespace DuiLib
