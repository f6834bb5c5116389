#include "tests/duilib/MessagePump.h"

#include "base/SelectedObject.h"
#include "base/UniqueDC.h"
#include "base/UniqueGdiObject.h"
#include "base/WindowDC.h"

bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (condition()) return true;
    if (::GetTickCount() - start > milliseconds) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void PumpFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

DWORD ScreenPixel(HWND window, int x, int y) {
  WindowDC screen(window);
  UniqueDC memory(::CreateCompatibleDC(screen.Get()));
  UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), 1, 1));
  SelectedObject selected(memory.Get(), bitmap.Get());
  ::BitBlt(memory.Get(), 0, 0, 1, 1, screen.Get(), x, y, SRCCOPY);
  const COLORREF color = ::GetPixel(memory.Get(), 0, 0);
  return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}
