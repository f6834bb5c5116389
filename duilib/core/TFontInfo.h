#pragma once

#include <windows.h>

#include <string>

#include "base/UniqueGdiObject.h"

namespace DuiLib {

// One registered font. The record owns its font; its metrics are zero until
// `hasMetrics` (filled by selecting the font into the host's paint context).
struct TFontInfo {
  UniqueFont hFont;
  std::wstring sFontName;
  int iSize = 0;  // character height in pixels
  bool bBold = false;
  bool bUnderline = false;
  bool bItalic = false;
  TEXTMETRICW tm = {};
  bool hasMetrics = false;
};

}  // namespace DuiLib
