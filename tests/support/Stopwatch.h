#pragma once

#include <windows.h>

// The performance counter for the benches: Now() marks a moment,
// Microseconds() the time between two marks.
inline LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now;
}

inline double Microseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}
