#pragma once

#include <windows.h>

#include "base/UniqueGdiObject.h"

// A 32-bit top-down DIB section of `width` x `height` pixels (rows from the
// top, four bytes a pixel, BGRA), made for `dc` (null: the screen). Returns
// the owned bitmap and sets `*bits` to its pixels; on failure (a size of 0 or
// less, or no memory) the bitmap is empty and `*bits` is null. Any thread.
inline UniqueBitmap CreateTopDownDib(HDC dc, int width, int height, void** bits) {
  *bits = nullptr;
  if (width <= 0 || height <= 0) return UniqueBitmap();
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  UniqueBitmap bitmap(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0));
  if (!bitmap) *bits = nullptr;
  return bitmap;
}
