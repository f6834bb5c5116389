#pragma once

#include <windows.h>

namespace Launcher {

// What the update window knows of the update: the messages it is posted and
// the interface through which it starts the update and then the product or
// the home page. The app implements the interface; the window holds it.

// The final messages: each update posts exactly one of them, last, after all
// its progress messages; wParam and lParam are 0.
constexpr UINT WM_UPDATE_DOWNLOAD_FAILED = 0xFFE0;  // the package could not be downloaded
constexpr UINT WM_UPDATE_INSTALL_FAILED = 0xFFE1;   // setting aside or extraction failed; old files are back
constexpr UINT WM_UPDATE_INSTALL_DONE = 0xFFE2;     // the package was extracted and deleted
// Progress of the download: wParam bytes received so far, lParam bytes
// expected in all (0 as long as no total is known), both scaled together
// into 32 bits when the package is larger.
constexpr UINT WM_UPDATE_PROGRESS = 0xFFF0;

class UpdateControl {
 public:
  // Starts the update on a thread of its own, which posts the messages above
  // to `window`. False when no thread could be started: nothing will be
  // posted then.
  virtual bool Start(HWND window) = 0;
  // After WM_UPDATE_INSTALL_DONE: starts the updated product, unless an
  // installed file still waits to go back under its name. Main thread.
  virtual void StartProduct() = 0;
  // After a failed update: opens the product's home page, so that the user
  // can install by hand. Main thread.
  virtual void OpenHomePage() = 0;

 protected:
  ~UpdateControl() = default;
};

}  // namespace Launcher
