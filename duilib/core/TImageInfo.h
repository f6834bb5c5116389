#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/UniqueGdiObject.h"

namespace DuiLib {

// One decoded image: a 32-bit top-down DIB section of premultiplied BGRA
// pixels. `pBits` points into the section and lives as long as `hBitmap`.
struct TImageInfo {
  UniqueBitmap hBitmap;
  BYTE* pBits = nullptr;
  std::vector<BYTE> srcBits;  // a copy of the pixels, kept only for colour adjustment
  int nX = 0;                 // width
  int nY = 0;                 // height
  bool bAlpha = false;        // some pixel is not opaque or was keyed out
  bool bUseHSL = false;
  std::wstring sResType;
  DWORD dwMask = 0;
};

}  // namespace DuiLib
