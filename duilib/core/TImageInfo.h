#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/UniqueGdiObject.h"

namespace DuiLib {

// One decoded image: a 32-bit top-down DIB section of premultiplied BGRA
// pixels. `bits` points into the section and lives as long as `bitmap`.
struct TImageInfo {
  UniqueBitmap bitmap;
  BYTE* bits = nullptr;
  std::vector<BYTE> srcBits;  // a copy of the pixels, kept only for colour adjustment
  int width = 0;              // width
  int height = 0;             // height
  bool alpha = false;         // some pixel is not opaque or was keyed out
  bool useHsl = false;
  std::wstring resType;
  DWORD mask = 0;
};

}  // namespace DuiLib
