// progress_paint_bench: the launcher's own update window in this process,
// shown as the launcher shows it, fed the progress messages a 200 MB download
// posts. Prints what one progress message repaints (the pixels the window
// host copies to the screen, and the time from posting to the end of the
// paint), for a message that moves the percent and for one that does not,
// against a repaint of the whole client area. The window's update starts
// and never reports, so only these messages move it.
#include <objbase.h>

#include <cstdint>
#include <cstdio>

#include "duilib/core/CResourceSettingsUI.h"
#include "launcher/ui/MainWindow.h"
#include "launcher/update/UpdateControl.h"
#include "tests/support/Stopwatch.h"

using namespace Launcher;

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 310;
constexpr std::uint32_t kTotal = 200u << 20;

bool Idle(HWND window) {
  RECT update;
  return !::GetUpdateRect(window, &update, FALSE);
}

// Dispatches what is queued, paints included, until nothing is left to paint.
bool Settle(HWND window) {
  for (int round = 0; round < 100000; ++round) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (Idle(window)) return true;
    ::Sleep(0);
  }
  return false;
}

// A loopback port whose connections wait in the backlog, never accepted: a
// download from it neither progresses nor fails.
// An update that starts and never reports: only the bench's messages move
// the window.
class StillUpdate final : public UpdateControl {
 public:
  bool Start(HWND) override { return true; }
  void StartProduct() override {}
  void OpenHomePage() override {}
};

struct Cost {
  double pixels = 0;
  double microseconds = 0;
  int count = 0;
  void Add(unsigned long long px, double us) {
    pixels += static_cast<double>(px);
    microseconds += us;
    ++count;
  }
  double Pixels() const { return count ? pixels / count : 0; }
  double Microseconds() const { return count ? microseconds / count : 0; }
};

}  // namespace

int main() {
  ::CoInitialize(nullptr);
  DuiLib::CResourceSettingsUI::SetInstance(::GetModuleHandleW(nullptr));
  StillUpdate quiet;
  MainWindow update(L"1.修复了加速断线的问题|2.优化了游戏列表", quiet);
  if (!ShowUpdateWindow(update)) return 1;
  HWND window = update.GetHWND();
  DuiLib::CWindowHostUI& host = update.Host();
  if (!Settle(window)) return 1;

  // One message per percent, and after each one more whose byte count moves
  // on without changing the percent (the download reports far more often
  // than once per percent).
  Cost moving, still;
  const auto post = [&](std::uint32_t bytes, Cost& cost) {
    const unsigned long long before = host.GetPaintedPixelCount();
    const LARGE_INTEGER a = Now();
    ::PostMessageW(window, WM_UPDATE_PROGRESS, bytes, kTotal);
    const bool settled = Settle(window);
    cost.Add(host.GetPaintedPixelCount() - before, Microseconds(a, Now()));
    return settled;
  };
  for (int percent = 1; percent <= 100; ++percent) {
    const auto done = static_cast<std::uint32_t>(std::uint64_t{kTotal} * percent / 100);
    if (!post(done, moving)) return 1;
    if (percent < 100 && !post(done + 4096, still)) return 1;
  }

  Cost whole;
  for (int i = 0; i < 100; ++i) {
    const unsigned long long before = host.GetPaintedPixelCount();
    const LARGE_INTEGER a = Now();
    ::InvalidateRect(window, nullptr, FALSE);
    if (!Settle(window)) return 1;
    const LARGE_INTEGER b = Now();
    whole.Add(host.GetPaintedPixelCount() - before, Microseconds(a, b));
  }
  ::DestroyWindow(window);
  Settle(window);

  std::printf(
      "update window: repaint of the whole %dx%d client area %.0f px in %.0f us (baseline), one progress message "
      "moving the percent repaints %.0f px in %.0f us (figure), pixel ratio %.3f, time ratio %.3f; a message that "
      "leaves the percent repaints %.0f px\n",
      kWidth, kHeight, whole.Pixels(), whole.Microseconds(), moving.Pixels(), moving.Microseconds(),
      whole.Pixels() > 0 ? moving.Pixels() / whole.Pixels() : 0.0,
      whole.Microseconds() > 0 ? moving.Microseconds() / whole.Microseconds() : 0.0, still.Pixels());
  return 0;
}
