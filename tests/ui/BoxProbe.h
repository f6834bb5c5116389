#pragma once

#include <windows.h>

#include <memory>

#include "tests/duilib/DibCanvas.h"

// Reads a message box the way a user meets it, from any thread or process:
// finds the window of class "MessageBox", copies its client area off the
// screen (GetDC + BitBlt) and clicks with posted mouse messages.
namespace BoxProbe {

constexpr int kWidth = 370;
constexpr int kHeight = 208;
constexpr DWORD kBorder = 0x33374A;
constexpr DWORD kBackground = 0x17212E;
constexpr DWORD kOkFace = 0x2BA2F9;      // buttonA's normal cell
constexpr DWORD kCancelFace = 0x263447;  // buttonB's normal cell

// The visible box, or null after `milliseconds`.
HWND WaitForBox(DWORD milliseconds);
// The client area as shown once the box has painted (its border is on the
// screen), or null when it never did.
std::unique_ptr<DibCanvas> CaptureWhenPainted(HWND box, DWORD milliseconds);
// 0x00RRGGBB of a canvas pixel.
DWORD Rgb(const DibCanvas& canvas, int x, int y);
// A left click at a client point, posted.
void Click(HWND box, int x, int y);
// Waits until the window is gone.
bool WaitGone(HWND box, DWORD milliseconds);

}  // namespace BoxProbe
