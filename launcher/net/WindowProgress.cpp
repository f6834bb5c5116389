#include "launcher/net/WindowProgress.h"

#include <algorithm>

#include "launcher/net/ProgressMessage.h"

namespace Launcher {

void WindowProgress::Scale(std::uint64_t received, std::uint64_t total, std::uint32_t& wParam,
                           std::uint32_t& lParam) {
  if (total == 0) {
    wParam = static_cast<std::uint32_t>(std::min<std::uint64_t>(received, UINT32_MAX));
    lParam = 0;
    return;
  }
  // The same shift for both keeps the ratio the window turns into a percent.
  int shift = 0;
  while ((total >> shift) > UINT32_MAX) ++shift;
  wParam = static_cast<std::uint32_t>(std::min<std::uint64_t>(received >> shift, UINT32_MAX));
  lParam = static_cast<std::uint32_t>(total >> shift);
}

void WindowProgress::OnProgress(std::uint64_t received, std::uint64_t total) {
  furthest_ = std::max(furthest_, received);
  std::uint32_t wParam = 0;
  std::uint32_t lParam = 0;
  Scale(furthest_, total, wParam, lParam);
  // A total that changed (the file changed between attempts) may change the
  // shift; the posted count still does not go back.
  wParam = std::max(wParam, lastPosted_);
  lastPosted_ = wParam;
  ::PostMessageW(window_, WM_UPDATE_PROGRESS, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

}  // namespace Launcher
