#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "base/UniqueWindow.h"

namespace DuiLib {

class CControlUI;

// The tooltip of one window host: a "tooltips_class32" popup owned by the
// host's window, made on first use, with one tool (identified by the window)
// that follows the control under the mouse in tracking mode.
//
// Owns the popup (destroyed by Destroy or the destructor); does not own the
// controls it shows tips for (the host calls Forget before one goes). UI
// thread only.
class CHostToolTipUI {
 public:
  CHostToolTipUI() = default;
  CHostToolTipUI(const CHostToolTipUI&) = delete;
  CHostToolTipUI& operator=(const CHostToolTipUI&) = delete;

  // The hover time for mouse tracking: 1000 ms until the popup exists, then
  // its initial delay.
  int HoverTime() const { return hoverTime_; }

  // Shows `control`'s tooltip text at client point `pt` of `owner`, making the
  // popup (with `instance`) on first use. False when the control has no
  // tooltip text or the popup cannot be made.
  bool Show(HWND owner, HINSTANCE instance, CControlUI* control, POINT pt);
  // Deactivates the tip; the popup stays for the next one.
  void Hide();
  // Destroys the popup; the next Show makes a new one.
  void Destroy();
  // Forgets `control` (null: any) as the last control that showed a tip.
  void Forget(CControlUI* control);

 private:
  UniqueWindow window_;
  TOOLINFOW toolInfo_ = {};
  std::wstring text_;
  int hoverTime_ = 1000;
  CControlUI* lastControl_ = nullptr;
};

}  // namespace DuiLib
