#pragma once

#include <windows.h>

#include <functional>

// Dispatches the calling thread's messages until `condition` holds or
// `milliseconds` have passed; true when the condition held.
bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds);
// Dispatches whatever is queued now (and what that posts) for `milliseconds`.
void PumpFor(DWORD milliseconds);
// 0x00RRGGBB of a pixel of a window's client area as the screen shows it,
// read through the window's own device context.
DWORD ScreenPixel(HWND window, int x, int y);
