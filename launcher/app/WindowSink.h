#pragma once

#include <windows.h>

#include <cstdint>

#include "launcher/update/UpdateSink.h"

namespace Launcher {

// An update session's reports posted to the update window as its messages
// (launcher/update/UpdateControl.h): every progress report as
// WM_UPDATE_PROGRESS, the end as one of the three final messages. Posting is
// safe from any thread, and a failed post (the window has gone) is ignored.
//
// The count the window is posted never goes back within the life of the
// object, even when a download starts over, resumes at an earlier point, or
// another download follows: the window keeps its percent until the count
// passes it again. Both counts are scaled into 32 bits (Scale). One object
// per update, used on the session's thread.
class WindowSink final : public UpdateSink {
 public:
  explicit WindowSink(HWND window) : window_(window) {}
  WindowSink(const WindowSink&) = delete;
  WindowSink& operator=(const WindowSink&) = delete;

  void OnProgress(std::uint64_t done, std::uint64_t total) override;
  void OnFinished(UpdateEnd end, const Status& status) override;

  // The two 32-bit numbers posted for `done` of `total` bytes (no memory of
  // earlier calls): wParam first. Both are shifted right together, only as
  // far as needed, when the total exceeds 32 bits, so that their ratio
  // stays; with no total a count beyond 32 bits is posted as 0xFFFFFFFF.
  static void Scale(std::uint64_t done, std::uint64_t total, std::uint32_t& wParam, std::uint32_t& lParam);

 private:
  HWND window_;
  std::uint64_t furthest_ = 0;
  std::uint32_t lastPosted_ = 0;
};

}  // namespace Launcher
