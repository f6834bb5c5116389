#pragma once

#include <windows.h>

#include <cstdint>

#include "launcher/net/PackageDownload.h"

namespace Launcher {

// The download's progress as the update window takes it: every OnProgress
// is posted to `window` as WM_UPDATE_PROGRESS (launcher/net/ProgressMessage.h),
// wParam = bytes received, lParam = bytes expected (0 while unknown).
//
// The received count never goes back within the life of the object, even
// when the download starts over or resumes at an earlier point: the window
// keeps its percent until the download passes it again. Both counts are
// shifted right together, only as far as needed, when the total exceeds
// 32 bits; with no total a count beyond 32 bits is posted as 0xFFFFFFFF.
//
// One object per update, used on the downloading thread; posting is safe
// from any thread, and a failed post (the window has gone) is ignored.
// Checkpoints are not its business: OnCheckpoint does nothing, and a caller
// that persists the resume state derives from it and overrides OnCheckpoint.
class WindowProgress : public DownloadListener {
 public:
  explicit WindowProgress(HWND window) : window_(window) {}
  WindowProgress(const WindowProgress&) = delete;
  WindowProgress& operator=(const WindowProgress&) = delete;

  void OnProgress(std::uint64_t received, std::uint64_t total) final;
  void OnCheckpoint(const ResumeState&) override {}

  // The two 32-bit numbers posted for `received` of `total` (no memory of
  // earlier calls): wParam first.
  static void Scale(std::uint64_t received, std::uint64_t total, std::uint32_t& wParam, std::uint32_t& lParam);

 private:
  HWND window_;
  std::uint64_t furthest_ = 0;
  std::uint32_t lastPosted_ = 0;
};

}  // namespace Launcher
