#pragma once

#include <windows.h>

#include <string>

#include "duilib/core/WindowImplBase.h"

namespace Launcher {

// Which buttons the message box shows.
enum class MessageBoxMode : int {
  OkCancel = 0,  // OK and Cancel
  OkOnly = 1,    // OK alone, centred
};

// The launcher's own modal message box, drawn from "MessageBox.xml": a title
// row with a close button, the message, and OK (with Cancel in OkCancel).
// Lives in ShowMessageBox's scope; the window never deletes it. UI thread only.
class VxMessageBox : public DuiLib::WindowImplBase {
 public:
  // An empty title keeps the skin's title.
  VxMessageBox(std::wstring title, std::wstring content, MessageBoxMode mode);

  // True once OK was clicked.
  bool IsConfirmed() const { return confirmed_; }

  // OK sets the confirmed flag and closes; Cancel clears it and closes; the
  // close button closes and leaves it as it is. Other notifications do nothing.
  void OnNotify(DuiLib::NotificationUI& msg) override;

 protected:
  const wchar_t* WindowClassName() const override { return L"MessageBox"; }
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::wstring SkinFolder() override { return L""; }
  std::wstring SkinFile() override { return L"MessageBox.xml"; }

 private:
  bool confirmed_ = false;
  std::wstring title_;
  std::wstring content_;
  MessageBoxMode mode_;
};

// Shows the box modally (centred over `owner`, or over the work area when
// null) and returns after it is gone: true when the user clicked OK, false
// for Cancel, the close button, Escape or a box that could not be created.
bool ShowMessageBox(std::wstring title, std::wstring content, MessageBoxMode mode, HWND owner);

}  // namespace Launcher
