// The message box: the time from its creation to its first completed paint,
// against a plain native window of the same size painted with one fill; and
// the pixels copied to the screen when the mouse moves onto a button, against
// a copy of the whole window. Not a test: `make bench` runs it
// (tools/bench/message_box.sh).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/PaintScope.h"
#include "base/UniqueGdiObject.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "launcher/ui/VxMessageBox.h"
#include "tests/support/Stopwatch.h"

using namespace Launcher;

namespace {

constexpr int kWidth = 370;
constexpr int kHeight = 208;
// The box's own style and extended style, as ShowMessageBox creates it.
constexpr DWORD kBoxStyle = 0x96C80000;
constexpr DWORD kBoxExStyle = WS_EX_WINDOWEDGE;

// Dispatches until `done` holds (or a bound of rounds is reached).
template <typename Done>
bool PumpUntil(Done done) {
  for (int round = 0; round < 100000; ++round) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (done()) return true;
    ::Sleep(0);
  }
  return false;
}

bool plainPainted = false;

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PaintScope paint(window);
    UniqueBrush brush(::CreateSolidBrush(RGB(0x17, 0x21, 0x2E)));
    RECT client;
    ::GetClientRect(window, &client);
    if (paint.Get()) ::FillRect(paint.Get(), &client, brush.Get());
    plainPainted = true;
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool Idle(HWND window) {
  RECT update;
  return !::GetUpdateRect(window, &update, FALSE);
}

}  // namespace

int main() {
  DuiLib::CResourceSettingsUI::SetInstance(::GetModuleHandleW(nullptr));
  if (!DuiLib::CResourceSettingsUI::InstallZipResource(::GetModuleHandleW(nullptr), 101)) return 1;

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PlainBenchWindow";
  if (!::RegisterClassExW(&wc)) return 1;

  const int rounds = 15;
  std::vector<double> boxTimes, plainTimes;
  for (int i = 0; i < rounds; ++i) {
    // As ShowMessageBox does: create, centre, show; then the loop paints.
    {
      VxMessageBox box(L"Error", L"Get Data Failed!", MessageBoxMode::OkOnly);
      const LARGE_INTEGER a = Now();
      if (!box.Create(nullptr, L"", kBoxStyle, kBoxExStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT)) {
        return 1;
      }
      box.CenterOnOwner();
      ::ShowWindow(box.GetHWND(), SW_SHOWNORMAL);
      if (!PumpUntil([&] { return box.Host().GetPaintedPixelCount() > 0 && Idle(box.GetHWND()); })) return 1;
      const LARGE_INTEGER b = Now();
      boxTimes.push_back(Microseconds(a, b));
      ::DestroyWindow(box.GetHWND());
    }
    {
      plainPainted = false;
      const LARGE_INTEGER a = Now();
      HWND plain = ::CreateWindowExW(kBoxExStyle, L"PlainBenchWindow", L"", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                                     kHeight, nullptr, nullptr, wc.hInstance, nullptr);
      if (!plain) return 1;
      ::ShowWindow(plain, SW_SHOWNORMAL);
      if (!PumpUntil([&] { return plainPainted && Idle(plain); })) return 1;
      const LARGE_INTEGER b = Now();
      plainTimes.push_back(Microseconds(a, b));
      ::DestroyWindow(plain);
    }
  }
  const double boxUs = Median(boxTimes);
  const double plainUs = Median(plainTimes);
  std::printf(
      "message box: creation to first completed paint %.0f us (median of %d), plain window with one fill %.0f us, "
      "ratio %.1f\n",
      boxUs, rounds, plainUs, plainUs > 0 ? boxUs / plainUs : 0.0);

  // Hover: the real cursor moved between the background and the OK button.
  VxMessageBox box(L"Error", L"Get Data Failed!", MessageBoxMode::OkOnly);
  if (!box.Create(nullptr, L"", kBoxStyle, kBoxExStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT)) {
    return 1;
  }
  box.CenterOnOwner();
  ::ShowWindow(box.GetHWND(), SW_SHOWNORMAL);
  HWND hwnd = box.GetHWND();
  PumpUntil([&] { return box.Host().GetPaintedPixelCount() > 0 && Idle(hwnd); });
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  const POINT background = {rc.left + 10, rc.top + 190};
  const POINT okButton = {rc.left + 185, rc.top + 162};
  ::SetCursorPos(background.x, background.y);
  PumpUntil([&] { return Idle(hwnd); });
  ::Sleep(50);
  PumpUntil([&] { return Idle(hwnd); });

  const int moves = 10;
  unsigned long long enterPixels = 0, leavePixels = 0;
  int unchanged = 0;
  for (int i = 0; i < moves; ++i) {
    for (const POINT& to : {okButton, background}) {
      const unsigned long long before = box.Host().GetPaintedPixelCount();
      ::SetCursorPos(to.x, to.y);
      // The repaint follows the move through the queue; wait for it, bounded.
      const bool painted = PumpUntil([&] { return box.Host().GetPaintedPixelCount() != before && Idle(hwnd); });
      if (!painted) ++unchanged;
      (to.x == okButton.x ? enterPixels : leavePixels) += box.Host().GetPaintedPixelCount() - before;
    }
  }
  ::DestroyWindow(hwnd);
  PumpUntil([] { return true; });
  const double whole = static_cast<double>(kWidth) * kHeight;
  const double perHover = static_cast<double>(enterPixels) / moves;
  std::printf(
      "message box: one hover change (onto OK) copies %.0f px to the screen (leaving it %.0f px), a whole-window copy "
      "%.0f px: ratio %.3f%s\n",
      perHover, static_cast<double>(leavePixels) / moves, whole, perHover / whole,
      unchanged ? " (some moves repainted nothing)" : "");
  return 0;
}
