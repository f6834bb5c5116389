// demo_shot.exe MODE OUT.png: what `make demo` does in place of a user. Waits
// for the launcher's window on the display, saves its client area as a PNG
// (GetDC + BitBlt) and answers it:
//   progress  the update window once its bar is part-way; no answer
//   close     the update window once its bar moved: the close button, then
//             the confirmation's picture and OK
//   box       a message box: its picture, then OK
// Exit code 0 when the picture was saved.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/ui/BoxProbe.h"
#include "tests/ui/UpdateWindowProbe.h"

namespace {

constexpr int kOkX = 140;  // inside OK whether Cancel is shown or not
constexpr int kOkY = 162;

bool SaveBox(const std::wstring& out) {
  HWND box = BoxProbe::WaitForBox(60000);
  if (!box) return false;
  auto shot = BoxProbe::CaptureWhenPainted(box, 5000);
  if (!shot || !shot->SavePng(out)) return false;
  ::Sleep(1000);  // time to look at it on a real display
  BoxProbe::Click(box, kOkX, kOkY);
  return BoxProbe::WaitGone(box, 5000);
}

// The update window once its bar is between `low` and `high` pixels wide.
std::unique_ptr<DibCanvas> WindowPartWay(HWND window, int low, int high) {
  std::unique_ptr<DibCanvas> shot;
  WaitUntil(
      [&] {
        shot = UpdateProbe::Capture(window, 0);
        const int width = shot ? UpdateProbe::BarWidth(*shot) : -1;
        return width >= low && width <= high;
      },
      60000);
  return shot;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: demo_shot progress|close|box OUT.png\n");
    return 2;
  }
  const std::wstring mode = argv[1];
  const std::wstring out = argv[2];
  if (mode == L"box") return SaveBox(out) ? 0 : 1;

  HWND window = UpdateProbe::WaitForWindow(60000);
  if (!window) return 1;
  if (mode == L"progress") {
    auto shot = WindowPartWay(window, 150, 350);
    return shot && shot->SavePng(out) ? 0 : 1;
  }
  if (mode == L"close") {
    if (!WindowPartWay(window, 1, 499)) return 1;
    UpdateProbe::Click(window, UpdateProbe::kCloseButton);
    return SaveBox(out) ? 0 : 1;
  }
  return 2;
}
