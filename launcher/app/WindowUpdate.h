#pragma once

#include <windows.h>

#include <memory>

#include "launcher/fs/Installation.h"
#include "launcher/service/ProductLauncher.h"
#include "launcher/update/UpdateControl.h"
#include "launcher/update/UpdateOffer.h"

namespace Launcher {

// The update as the update window drives it: Start runs an UpdateSession over
// the run's installation on a thread of its own, detached, whose reports are
// posted to the window (WindowSink); StartProduct and OpenHomePage do
// what the window asks at the end. The installation is shared with that
// thread, which may outlive this object when the user closes the window
// during the download. Main thread; not copyable.
class WindowUpdate final : public UpdateControl {
 public:
  // `hold`: what the start found that keeps the product from starting (an
  // installed file waiting to go back under its name, which the next start
  // puts back first; another account's file beside it that stayed).
  WindowUpdate(std::shared_ptr<const Installation> installation, UpdateOffer offer, ProductHold hold);
  WindowUpdate(const WindowUpdate&) = delete;
  WindowUpdate& operator=(const WindowUpdate&) = delete;

  bool Start(HWND window) override;
  void StartProduct() override;
  void OpenHomePage() override;

 private:
  std::shared_ptr<const Installation> installation_;
  UpdateOffer offer_;
  ProductHold hold_;
};

}  // namespace Launcher
