#pragma once

// launcher/ui/: the launcher's two windows, the update window (MainWindow,
// below) and the message box (VxMessageBox), built on the toolkit (duilib/)
// from the packed skin. Of the update they know only what UpdateControl.h
// says: the messages the window is posted, and the interface the app hands
// it to start the update and the product.

#include <windows.h>

#include <string>

#include "duilib/core/WindowImplBase.h"
#include "launcher/update/UpdateControl.h"

namespace Launcher {

// The update window: the release notes, a state line and a progress bar,
// drawn from "MainWindow.xml" in the program's "ZIPRES" resource 101.
//
// When its native window is created it starts the update through the
// UpdateControl it was given, with its window handle; from then on it only
// reacts to what the update posts (launcher/update/UpdateControl.h). After the
// final message it either starts the updated product (through the same
// interface) or shows the failure in a message box and opens the product's
// home page, and then closes; its destruction posts WM_QUIT (code 0), which
// ends the caller's message loop.
//
// While the update runs the window cannot be closed except through its close
// button and a confirmed question; Escape, system closes and a double click on
// the caption do nothing, and it is never resized or maximised.
//
// The object is owned by its creator and must outlive its window (destroy it
// after the message loop ended); so must the UpdateControl. UI thread only;
// the update never touches it.
class MainWindow : public DuiLib::WindowImplBase {
 public:
  // The version reply's release notes ("|" separates lines), and the update
  // the window starts and reports.
  MainWindow(std::wstring releaseNotes, UpdateControl& update);

  // True once the user confirmed closing or the worker's final message came:
  // from then on WM_CLOSE closes the window.
  bool MayClose() const { return mayClose_; }

  // The close button asks "升级尚未完成，确定退出？" while the update runs and
  // closes on OK; once closing is allowed it does nothing. Every other
  // notification is ignored.
  void OnNotify(DuiLib::NotificationUI& msg) override;

 protected:
  const wchar_t* WindowClassName() const override { return L"MainWindow"; }
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::wstring SkinFolder() override { return L""; }
  std::wstring SkinFile() override { return L"MainWindow.xml"; }
  DuiLib::SkinSource SkinSourceKind() override { return DuiLib::SkinSource::ZipResource; }
  std::wstring SkinResourceId() override { return L"101"; }

  LRESULT OnClose(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  LRESULT OnNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  // Anything in the caption band but a button or an edit box drags the
  // window (class names compared exactly).
  bool DragsWindow(const DuiLib::CControlUI& control) override;
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  // The update's messages (launcher/update/UpdateControl.h); each leaves
  // `handled` true and answers 0.
  // Progress: wParam bytes received, lParam bytes expected; a total of 0 or
  // below the count says nothing and is passed over.
  LRESULT OnUpdateProgress(UINT message, WPARAM done, LPARAM total, bool& handled);
  LRESULT OnDownloadFailed(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  LRESULT OnInstallFailed(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Installed: start the product, close.
  LRESULT OnInstallDone(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Download or installation failed: tell the user, send them to the home
  // page, close.
  void OnUpdateFailed(const wchar_t* content);

  std::wstring releaseNotes_;
  UpdateControl& update_;
  bool mayClose_ = false;
};

// Creates `window`'s native window the way the launcher shows it: no owner,
// title "Tarvo Game Booster Upgrade Version", a popup without a sizing frame,
// centred on the work area, shown and activated. False when the window could
// not be created (no worker was started then).
bool ShowUpdateWindow(MainWindow& window);

}  // namespace Launcher
