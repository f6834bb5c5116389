#pragma once

#include <windows.h>

// The point packed in a mouse message's lParam: signed 16-bit x in the low
// word, y in the high word (negative on a monitor left of or above the
// primary one, and for a captured mouse outside the window).
inline POINT PointFromLParam(LPARAM lParam) {
  return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}
