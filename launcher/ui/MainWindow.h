#pragma once

// launcher/ui/: the launcher's two windows, the update window (MainWindow,
// below) and the message box (VxMessageBox), built on the toolkit (duilib/)
// from the packed skin. They start the update worker and the product from
// the layers below and react to the worker's messages.

#include <windows.h>

#include <string>

#include "duilib/core/WindowImplBase.h"

namespace Launcher {

// The update window: the release notes, a state line and a progress bar,
// drawn from "MainWindow.xml" in the program's "ZIPRES" resource 101.
//
// When its native window is created it starts the update worker
// (launcher/update/UpdateWorker.h) on a detached thread of its own, with copies of
// the download address, the offered version and signature, and its window
// handle; from then on it only reacts to
// what the worker posts (launcher/update/UpdateMessages.h). After the worker's final
// message it either starts the updated product or shows the failure in a
// message box and opens the product's home page, and then closes; its
// destruction posts WM_QUIT (code 0), which ends the caller's message loop.
//
// While the update runs the window cannot be closed except through its close
// button and a confirmed question; Escape, system closes and a double click on
// the caption do nothing, and it is never resized or maximised.
//
// The object is owned by its creator and must outlive its window (destroy it
// after the message loop ended). UI thread only; the worker never touches it.
class MainWindow : public DuiLib::WindowImplBase {
 public:
  // The version reply's release notes ("|" separates lines), package
  // address, offered version and package signature, in that order (the last
  // two matter only to a program built with the maker's key).
  MainWindow(std::wstring releaseNotes, std::wstring downloadUrl, std::wstring latestVersion = std::wstring(),
             std::wstring signature = std::wstring());

  // Whether the installed update starts the product (true until set): false
  // when the start-up pass left an installed file waiting to go back under
  // its name, which the next start puts back first.
  void SetProductMayStart(bool mayStart) { productMayStart_ = mayStart; }

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
  // The worker's messages (launcher/update/UpdateMessages.h); each leaves `handled`
  // true and answers 0.
  // Progress: wParam bytes received, lParam bytes expected.
  LRESULT OnUpdateProgress(UINT message, WPARAM done, LPARAM total, bool& handled);
  LRESULT OnDownloadFailed(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  LRESULT OnInstallFailed(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Installed: start the product, close.
  LRESULT OnInstallDone(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Download or installation failed: tell the user, send them to the home
  // page, close.
  void OnUpdateFailed(const wchar_t* content);

  int oemId_;
  std::wstring releaseNotes_;
  std::wstring downloadUrl_;
  std::wstring latestVersion_;
  std::wstring signature_;
  bool mayClose_ = false;
  bool productMayStart_ = true;
};

// Creates `window`'s native window the way the launcher shows it: no owner,
// title "Tarvo Game Booster Upgrade Version", a popup without a sizing frame,
// centred on the work area, shown and activated. False when the window could
// not be created (no worker was started then).
bool ShowUpdateWindow(MainWindow& window);

// The product's home page: "http://" + home-page host + "/?oemid=" + `oemId`.
std::wstring HomePageAddress(int oemId);

}  // namespace Launcher
