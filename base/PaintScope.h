#pragma once

#include <windows.h>

// BeginPaint/EndPaint for one WM_PAINT. Get() is the paint context (null when
// BeginPaint failed); Rect() the rectangle to paint. Neither copyable nor
// movable: it lives on the stack of the WM_PAINT handler.
class PaintScope {
 public:
  explicit PaintScope(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~PaintScope() { ::EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;

  HDC Get() const noexcept { return dc_; }
  const RECT& Rect() const noexcept { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};
