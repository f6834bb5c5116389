#pragma once

#include <windows.h>

#include <string>

namespace DuiLib {

class CWindowHostUI;
struct TDrawInfo;

// The toolkit's drawing primitives. Every call draws into the device context
// it is given and keeps no state between calls, except the entry points of
// msimg32.dll (AlphaBlend, GradientFill), looked up once from the system
// directory, with built-in replacements when absent. UI thread only.
// Colours are 0xAARRGGBB; pens and text use only red, green and blue.
class CRenderEngine {
 public:
  CRenderEngine() = delete;

  // Fills `rc` with `color` including its alpha (translucent colours blend).
  // Alpha 0 draws nothing.
  static void DrawColor(HDC dc, const RECT& rc, DWORD color);
  // A gradient from `color1` (top/left) to `color2`; blended with the
  // average alpha of the two colours; 0 draws nothing. `steps` is used only
  // by the replacement for GradientFill.
  static void DrawGradient(HDC dc, const RECT& rc, DWORD color1, DWORD color2, bool vertical, int steps);
  // A line from rc's top-left to its bottom-right.
  static void DrawLine(HDC dc, const RECT& rc, int size, DWORD color, int style = PS_SOLID);
  // A frame inside `rc` (inside-frame pen), not filled.
  static void DrawRect(HDC dc, const RECT& rc, int size, DWORD color, int style = PS_SOLID);
  static void DrawRoundRect(HDC dc, const RECT& rc, int size, int width, int height, DWORD color, int style = PS_SOLID);

  // Draws `bitmap` (32-bit, premultiplied when `alpha`) from `rcBmpPart` onto
  // `rc`, limited to the parts that meet `rcPaint`, with nine-grid `rcCorners`,
  // constant opacity `fade`, an empty middle with `hole`, and a tiled middle.
  static void DrawImage(HDC dc, HBITMAP bitmap, const RECT& rc, const RECT& rcPaint, const RECT& rcBmpPart,
                        const RECT& rcCorners, bool alpha, BYTE fade = 255, bool hole = false, bool xtiled = false,
                        bool ytiled = false);
  // Resolves `info` (parse once, load the image through the host's cache)
  // and draws it into `rcItem` limited to `rcPaint`. True when the attribute
  // names an image that could be loaded (drawn or not); false when it is
  // empty or cannot be loaded (then not retried). Without a host it draws
  // nothing and returns true.
  static bool DrawImageInfo(HDC dc, CWindowHostUI* host, const RECT& rcItem, const RECT& rcPaint, TDrawInfo& info);
  // Resolves `info` without drawing (parse and load). Same result as above,
  // except that without a host nothing is resolved and false is returned.
  // On success `rcBmpPart` lies inside the image.
  static bool ResolveImageInfo(CWindowHostUI* host, TDrawInfo& info);

  // Draws `text` with the host's font `font` (-1: default), DT_NOPREFIX added
  // to `style`, after replacing every "%{n}" that has a language string.
  // With DT_CALCRECT in `style`, `rc` receives the measured rectangle.
  static void DrawText(HDC dc, CWindowHostUI* host, RECT& rc, const std::wstring& text, DWORD color, int font,
                       UINT style);

  // "%{n}" replacement alone (exposed for tests).
  static std::wstring ReplaceLanguageStrings(const std::wstring& text);

  // With false, AlphaBlend and GradientFill are not used and the built-in
  // replacements draw instead (to test them where the platform has both).
  static void SetPlatformEntryPointsForTesting(bool use);
};

}  // namespace DuiLib
