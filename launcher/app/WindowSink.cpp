#include "launcher/app/WindowSink.h"

#include <algorithm>

#include "launcher/update/UpdateControl.h"

namespace Launcher {

void WindowSink::Scale(std::uint64_t done, std::uint64_t total, std::uint32_t& wParam, std::uint32_t& lParam) {
  if (total == 0) {
    wParam = static_cast<std::uint32_t>(std::min<std::uint64_t>(done, UINT32_MAX));
    lParam = 0;
    return;
  }
  // The same shift for both keeps the ratio the window turns into a percent.
  int shift = 0;
  while ((total >> shift) > UINT32_MAX) ++shift;
  wParam = static_cast<std::uint32_t>(std::min<std::uint64_t>(done >> shift, UINT32_MAX));
  lParam = static_cast<std::uint32_t>(total >> shift);
}

void WindowSink::OnProgress(std::uint64_t done, std::uint64_t total) {
  furthest_ = std::max(furthest_, done);
  std::uint32_t wParam = 0;
  std::uint32_t lParam = 0;
  Scale(furthest_, total, wParam, lParam);
  // A total that changed (the file changed between attempts, another
  // download followed) may change the shift; the posted count still does
  // not go back.
  wParam = std::max(wParam, lastPosted_);
  lastPosted_ = wParam;
  ::PostMessageW(window_, WM_UPDATE_PROGRESS, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

void WindowSink::OnFinished(UpdateEnd end, const Status&) {
  // The cause is on the standard error stream already; the window says in
  // its own words which way the update failed.
  const UINT message = end == UpdateEnd::Installed       ? WM_UPDATE_INSTALL_DONE
                       : end == UpdateEnd::InstallFailed ? WM_UPDATE_INSTALL_FAILED
                                                         : WM_UPDATE_DOWNLOAD_FAILED;
  ::PostMessageW(window_, message, 0, 0);
}

}  // namespace Launcher
