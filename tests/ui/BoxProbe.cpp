#include "tests/ui/BoxProbe.h"

#include "base/WindowDC.h"
#include "tests/support/ChildProcess.h"

namespace BoxProbe {

HWND WaitForBox(DWORD milliseconds) {
  HWND box = nullptr;
  WaitUntil(
      [&] {
        box = ::FindWindowW(L"MessageBox", nullptr);
        return box && ::IsWindowVisible(box);
      },
      milliseconds);
  return box && ::IsWindowVisible(box) ? box : nullptr;
}

DWORD Rgb(const DibCanvas& canvas, int x, int y) {
  return canvas.Pixel(x, y) & 0xFFFFFF;
}

std::unique_ptr<DibCanvas> CaptureWhenPainted(HWND box, DWORD milliseconds) {
  auto canvas = std::make_unique<DibCanvas>(kWidth, kHeight);
  const bool painted = WaitUntil(
      [&] {
        WindowDC screen(box);
        if (!screen) return false;
        ::BitBlt(canvas->dc(), 0, 0, kWidth, kHeight, screen.Get(), 0, 0, SRCCOPY);
        ::GdiFlush();
        return Rgb(*canvas, 0, 100) == kBorder && Rgb(*canvas, 10, 100) == kBackground &&
               Rgb(*canvas, 130, 162) == kOkFace;
      },
      milliseconds);
  return painted ? std::move(canvas) : nullptr;
}

void Click(HWND box, int x, int y) {
  const LPARAM at = MAKELPARAM(x, y);
  ::PostMessageW(box, WM_MOUSEMOVE, 0, at);
  ::PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(box, WM_LBUTTONUP, 0, at);
}

bool WaitGone(HWND box, DWORD milliseconds) {
  return WaitUntil([&] { return !::IsWindow(box); }, milliseconds);
}

}  // namespace BoxProbe
