// window_baseline URL: the platform's part of the launcher's road to its
// update window. One WinINet HTTPS GET of URL as the launcher asks its
// version service, then a plain popup of the update window's size and style,
// centred and shown, whose one paint fills the background and the progress
// track in the skin's colours. Runs its message loop until the window is
// closed (or the process is ended); exit code 3 when the GET failed.
#include <windows.h>

#include "base/PaintScope.h"
#include "base/UniqueGdiObject.h"
#include "tests/bench/LauncherLikeGet.h"

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 310;
constexpr RECT kTrack = {0, 272, 500, 278};

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PaintScope paint(window);
      if (!paint.Get()) return 0;
      RECT client;
      ::GetClientRect(window, &client);
      UniqueBrush background(::CreateSolidBrush(RGB(0x17, 0x21, 0x2E)));
      UniqueBrush track(::CreateSolidBrush(RGB(0x1E, 0x29, 0x38)));
      ::FillRect(paint.Get(), &client, background.Get());
      ::FillRect(paint.Get(), &kTrack, track.Get());
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_NCCALCSIZE:
      return 0;  // the whole window is client area, as in the update window
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  if (LauncherLikeGet(argv[1]).empty()) return 3;

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = L"PlainUpdateWindow";
  if (!::RegisterClassExW(&wc)) return 4;
  RECT work;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  // The update window's style and extended style, centred on the work area.
  HWND window = ::CreateWindowExW(WS_EX_WINDOWEDGE, wc.lpszClassName, L"Tarvo Game Booster Upgrade Version", 0x96C80000,
                                  (work.left + work.right - kWidth) / 2, (work.top + work.bottom - kHeight) / 2, kWidth,
                                  kHeight, nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) return 4;
  ::ShowWindow(window, SW_SHOWNORMAL);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
