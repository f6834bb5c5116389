#pragma once

#include <windows.h>

#include <string>

namespace DuiLib {

struct TImageInfo;

// The parsed, cached form of one image attribute of a control
// ("img/pic_bg.png" or "file='img/icon_close.png' source='28,0,56,28'").
// Owned by the control; `image` points into a window's or the process's
// image cache and is valid while that cache holds the image.
struct TDrawInfo {
  std::wstring drawString;  // the attribute as written
  std::wstring imageName;
  std::wstring resType;  // "" for skin files; set by `res`/`restype` or `color`
  bool loaded = false;   // parsing was attempted (successful or not)
  const TImageInfo* image = nullptr;
  RECT dest = {0, 0, 0, 0};
  RECT source = {0, 0, 0, 0};
  RECT corner = {0, 0, 0, 0};
  DWORD mask = 0;
  BYTE fade = 255;
  bool hole = false;
  bool tiledX = false;
  bool tiledY = false;
  bool hsl = false;

  // Back to the unparsed state (fade 255), keeping nothing.
  void Clear();
  // Stores a new attribute text. When it differs from the stored one, or the
  // image is not yet resolved, everything is cleared and true is returned
  // (the caller invalidates); otherwise nothing changes and false is returned.
  bool SetDrawString(const std::wstring& text);
  // Parses drawString into the fields above (not the image). Violations of
  // the key='value' syntax stop parsing and keep what was read; a bare name
  // stays the whole text. Sets loaded.
  void Parse();
};

}  // namespace DuiLib
