#pragma once

#include <windows.h>

#include <string>

#include "base/UniqueGdiObject.h"

namespace DuiLib {

// One registered font. The record owns its font; its metrics are zero until
// `hasMetrics` (filled by selecting the font into the host's paint context).
struct TFontInfo {
  UniqueFont font;
  std::wstring face;
  int size = 0;  // character height in pixels
  bool bold = false;
  bool underline = false;
  bool italic = false;
  TEXTMETRICW metrics = {};
  bool hasMetrics = false;
};

}  // namespace DuiLib
