#pragma once

#include <windows.h>

#include <string>

namespace DuiLib {

struct TImageInfo;

// The parsed, cached form of one image attribute of a control
// ("img/pic_bg.png" or "file='img/icon_close.png' source='28,0,56,28'").
// Owned by the control; `pImageInfo` points into a window's or the process's
// image cache and is valid while that cache holds the image.
struct TDrawInfo {
  std::wstring sDrawString;  // the attribute as written
  std::wstring sImageName;
  std::wstring sResType;  // "" for skin files; set by `res`/`restype` or `color`
  bool bLoaded = false;   // parsing was attempted (successful or not)
  const TImageInfo* pImageInfo = nullptr;
  RECT rcDestOffset = {0, 0, 0, 0};
  RECT rcBmpPart = {0, 0, 0, 0};
  RECT rcCorner = {0, 0, 0, 0};
  DWORD dwMask = 0;
  BYTE uFade = 255;
  bool bHole = false;
  bool bTiledX = false;
  bool bTiledY = false;
  bool bHSL = false;

  // Back to the unparsed state (fade 255), keeping nothing.
  void Clear();
  // Stores a new attribute text. When it differs from the stored one, or the
  // image is not yet resolved, everything is cleared and true is returned
  // (the caller invalidates); otherwise nothing changes and false is returned.
  bool SetDrawString(const std::wstring& text);
  // Parses sDrawString into the fields above (not the image). Violations of
  // the key='value' syntax stop parsing and keep what was read; a bare name
  // stays the whole text. Sets bLoaded.
  void Parse();
};

}  // namespace DuiLib
