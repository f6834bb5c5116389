#include "duilib/core/CRenderEngine.h"

// The lean windows.h leaves out the COM types GDI+ declarations use.
#include <objidl.h>

#include <gdiplus.h>

#include <string>
#include <vector>

#include "base/SelectedObject.h"
#include "base/SystemLibrary.h"
#include "base/TopDownDib.h"
#include "base/UniqueDC.h"
#include "base/UniqueGdiObject.h"
#include "duilib/core/AttributeText.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/core/TDrawInfo.h"
#include "duilib/core/TImageInfo.h"

namespace DuiLib {

namespace {

using AlphaBlendFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
using GradientFillFn = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

struct Msimg32Entries {
  AlphaBlendFn alphaBlend = nullptr;
  GradientFillFn gradientFill = nullptr;
};

Msimg32Entries LoadMsimg32() {
  Msimg32Entries entries;
  SystemLibrary msimg32 = SystemLibrary::Load(L"msimg32.dll");
  if (!msimg32) return entries;
  entries.alphaBlend = msimg32.Entry<AlphaBlendFn>("AlphaBlend");
  entries.gradientFill = msimg32.Entry<GradientFillFn>("GradientFill");
  // The module stays loaded for the rest of the process: its entry points
  // are kept in a static.
  msimg32.Detach();
  return entries;
}

bool g_usePlatformEntries = true;

const Msimg32Entries& PlatformEntries() {
  static const Msimg32Entries entries = LoadMsimg32();
  return entries;
}
AlphaBlendFn AlphaBlendEntry() {
  return g_usePlatformEntries ? PlatformEntries().alphaBlend : nullptr;
}
GradientFillFn GradientFillEntry() {
  return g_usePlatformEntries ? PlatformEntries().gradientFill : nullptr;
}

int Width(const RECT& rc) {
  return rc.right - rc.left;
}
int Height(const RECT& rc) {
  return rc.bottom - rc.top;
}
bool IsEmpty(const RECT& rc) {
  return Width(rc) <= 0 || Height(rc) <= 0;
}
bool Meets(const RECT& a, const RECT& b) {
  RECT tmp;
  return ::IntersectRect(&tmp, &a, &b) != FALSE;
}

// A 32-bit top-down section selected into its own memory context.
class Offscreen {
 public:
  Offscreen(HDC compatible, int width, int height) : dc_(::CreateCompatibleDC(compatible)) {
    void* bits = nullptr;
    bitmap_ = CreateTopDownDib(nullptr, width, height, &bits);
    if (dc_ && bitmap_ && bits) {
      bits_ = static_cast<BYTE*>(bits);
      selected_ = std::make_unique<SelectedObject>(dc_.Get(), bitmap_.Get());
    }
  }
  bool Ok() const { return bits_ != nullptr; }
  HDC dc() const { return dc_.Get(); }
  BYTE* bits() const { return bits_; }

 private:
  UniqueDC dc_;
  UniqueBitmap bitmap_;
  BYTE* bits_ = nullptr;
  std::unique_ptr<SelectedObject> selected_;  // declared last: deselected before the bitmap goes
};

// Stands in for AlphaBlend where msimg32 lacks it: source-over of the
// (premultiplied when AC_SRC_ALPHA) source, scaled to the destination, onto
// a copy of the destination, which is then put back.
BOOL BuiltInAlphaBlend(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, BLENDFUNCTION bf) {
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return FALSE;
  Offscreen target(dst, w, h);
  Offscreen source(dst, w, h);
  if (!target.Ok() || !source.Ok()) return FALSE;
  ::BitBlt(target.dc(), 0, 0, w, h, dst, x, y, SRCCOPY);
  ::SetStretchBltMode(source.dc(), COLORONCOLOR);
  ::StretchBlt(source.dc(), 0, 0, w, h, src, sx, sy, sw, sh, SRCCOPY);
  ::GdiFlush();
  const unsigned ca = bf.SourceConstantAlpha;
  const bool perPixel = (bf.AlphaFormat & AC_SRC_ALPHA) != 0;
  const size_t count = static_cast<size_t>(w) * h;
  for (size_t i = 0; i < count; ++i) {
    const BYTE* s = source.bits() + i * 4;
    BYTE* d = target.bits() + i * 4;
    const unsigned sa = perPixel ? s[3] * ca / 255 : ca;
    for (int c = 0; c < 3; ++c) d[c] = static_cast<BYTE>(s[c] * ca / 255 + d[c] * (255 - sa) / 255);
    d[3] = static_cast<BYTE>(sa + d[3] * (255 - sa) / 255);
  }
  return ::BitBlt(dst, x, y, w, h, target.dc(), 0, 0, SRCCOPY);
}

BOOL Blend(HDC dst, const RECT& d, HDC src, const RECT& s, BYTE constantAlpha, bool perPixel) {
  BLENDFUNCTION bf = {AC_SRC_OVER, 0, constantAlpha, static_cast<BYTE>(perPixel ? AC_SRC_ALPHA : 0)};
  AlphaBlendFn alphaBlend = AlphaBlendEntry();
  if (alphaBlend)
    return alphaBlend(dst, d.left, d.top, Width(d), Height(d), src, s.left, s.top, Width(s), Height(s), bf);
  return BuiltInAlphaBlend(dst, d.left, d.top, Width(d), Height(d), src, s.left, s.top, Width(s), Height(s), bf);
}

// GDI+ objects of the flat API, each released by its own delete function.
struct GpGraphicsTraits {
  using Type = Gdiplus::GpGraphics*;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type p) { return p != nullptr; }
  static void Release(Type p) { Gdiplus::DllExports::GdipDeleteGraphics(p); }
};
struct GpSolidFillTraits {
  using Type = Gdiplus::GpSolidFill*;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type p) { return p != nullptr; }
  static void Release(Type p) { Gdiplus::DllExports::GdipDeleteBrush(p); }
};
using UniqueGpGraphics = UniqueResource<GpGraphicsTraits>;
using UniqueGpSolidFill = UniqueResource<GpSolidFillTraits>;

// GDI+ is started once and never shut down: the fills may run until the
// last window is gone, and shutting it down from a static destructor at
// exit is not safe.
bool GdiplusReady() {
  static const bool ready = [] {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return ready;
}

void FillSolid(HDC dc, const RECT& rc, COLORREF color) {
  UniqueBrush brush(::CreateSolidBrush(color));
  if (brush) ::FillRect(dc, &rc, brush.Get());
}

// Interpolates one channel (shift selects it) at position i of n - 1.
BYTE Mix(DWORD c1, DWORD c2, int shift, int i, int last) {
  const int a = (c1 >> shift) & 0xFF;
  const int b = (c2 >> shift) & 0xFF;
  return static_cast<BYTE>(last > 0 ? a + (b - a) * i / last : a);
}

void GradientOpaque(HDC dc, const RECT& rc, DWORD color1, DWORD color2, bool vertical, int steps) {
  GradientFillFn gradientFill = GradientFillEntry();
  if (gradientFill) {
    TRIVERTEX vertices[2] = {
        {rc.left, rc.top, static_cast<COLOR16>(((color1 >> 16) & 0xFF) << 8),
         static_cast<COLOR16>(((color1 >> 8) & 0xFF) << 8), static_cast<COLOR16>((color1 & 0xFF) << 8), 0xFF00},
        {rc.right, rc.bottom, static_cast<COLOR16>(((color2 >> 16) & 0xFF) << 8),
         static_cast<COLOR16>(((color2 >> 8) & 0xFF) << 8), static_cast<COLOR16>((color2 & 0xFF) << 8), 0xFF00},
    };
    GRADIENT_RECT mesh = {0, 1};
    gradientFill(dc, vertices, 2, &mesh, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
    return;
  }
  const int bands = steps < 4 ? 2 : steps < 8 ? 4 : steps < 16 ? 8 : steps < 32 ? 16 : steps < 64 ? 32 : 64;
  const int length = vertical ? Height(rc) : Width(rc);
  for (int i = 0; i < bands; ++i) {
    RECT band = rc;
    const int from = length * i / bands;
    const int to = length * (i + 1) / bands;
    if (from == to) continue;
    if (vertical) {
      band.top = rc.top + from;
      band.bottom = rc.top + to;
    } else {
      band.left = rc.left + from;
      band.right = rc.left + to;
    }
    const int last = bands - 1;
    FillSolid(dc, band,
              RGB(Mix(color1, color2, 16, i, last), Mix(color1, color2, 8, i, last), Mix(color1, color2, 0, i, last)));
  }
}

// Draws the parts of one image; each part only when it meets the dirty
// rectangle.
class PartPainter {
 public:
  PartPainter(HDC dc, HDC source, const RECT& paint, bool blend, BYTE fade)
      : dc_(dc), source_(source), paint_(paint), blend_(blend), fade_(fade) {}

  void Part(const RECT& dst, const RECT& src) const {
    if (IsEmpty(dst) || IsEmpty(src) || !Meets(dst, paint_)) return;
    if (blend_) {
      Blend(dc_, dst, source_, src, fade_, true);
    } else if (Width(dst) == Width(src) && Height(dst) == Height(src)) {
      ::BitBlt(dc_, dst.left, dst.top, Width(dst), Height(dst), source_, src.left, src.top, SRCCOPY);
    } else {
      ::StretchBlt(dc_, dst.left, dst.top, Width(dst), Height(dst), source_, src.left, src.top, Width(src), Height(src),
                   SRCCOPY);
    }
  }

  void Middle(const RECT& dst, const RECT& src, bool xtiled, bool ytiled) const {
    if (IsEmpty(dst) || IsEmpty(src)) return;
    const int sw = Width(src);
    const int sh = Height(src);
    if (!xtiled && !ytiled) {
      Part(dst, src);
      return;
    }
    // Tiles run from the middle's top-left; the last row and column are cut.
    for (int y = dst.top; y < dst.bottom; y += ytiled ? sh : Height(dst)) {
      const int bottom = ytiled ? (y + sh < dst.bottom ? y + sh : dst.bottom) : dst.bottom;
      for (int x = dst.left; x < dst.right; x += xtiled ? sw : Width(dst)) {
        const int right = xtiled ? (x + sw < dst.right ? x + sw : dst.right) : dst.right;
        const RECT tile = {x, y, right, bottom};
        RECT from = src;
        if (xtiled) from.right = src.left + (right - x);
        if (ytiled) from.bottom = src.top + (bottom - y);
        Part(tile, from);
      }
    }
  }

 private:
  HDC dc_;
  HDC source_;
  RECT paint_;
  bool blend_;
  BYTE fade_;
};

}  // namespace

void CRenderEngine::SetPlatformEntryPointsForTesting(bool use) {
  g_usePlatformEntries = use;
}

void CRenderEngine::DrawColor(HDC dc, const RECT& rc, DWORD color) {
  if ((color >> 24) == 0 || !dc || IsEmpty(rc)) return;
  if (GdiplusReady()) {
    Gdiplus::GpGraphics* graphics = nullptr;
    Gdiplus::GpSolidFill* brush = nullptr;
    if (Gdiplus::DllExports::GdipCreateFromHDC(dc, &graphics) == Gdiplus::Ok) {
      UniqueGpGraphics ownedGraphics(graphics);
      if (Gdiplus::DllExports::GdipCreateSolidFill(color, &brush) == Gdiplus::Ok) {
        UniqueGpSolidFill ownedBrush(brush);
        if (Gdiplus::DllExports::GdipFillRectangleI(graphics, brush, rc.left, rc.top, Width(rc), Height(rc)) ==
            Gdiplus::Ok)
          return;
      }
    }
  }
  // Without GDI+: a plain fill for an opaque colour, a constant-alpha blend
  // of a one-pixel section otherwise.
  if ((color >> 24) == 0xFF) {
    FillSolid(dc, rc, ToColorRef(color));
    return;
  }
  Offscreen pixel(dc, 1, 1);
  if (!pixel.Ok()) return;
  FillSolid(pixel.dc(), RECT{0, 0, 1, 1}, ToColorRef(color));
  Blend(dc, rc, pixel.dc(), RECT{0, 0, 1, 1}, static_cast<BYTE>(color >> 24), false);
}

void CRenderEngine::DrawGradient(HDC dc, const RECT& rc, DWORD color1, DWORD color2, bool vertical, int steps) {
  const unsigned alpha = ((color1 >> 24) + (color2 >> 24)) / 2;
  if (alpha == 0 || !dc || IsEmpty(rc)) return;
  if (alpha == 255) {
    GradientOpaque(dc, rc, color1, color2, vertical, steps);
    return;
  }
  const RECT local = {0, 0, Width(rc), Height(rc)};
  Offscreen off(dc, local.right, local.bottom);
  if (!off.Ok()) return;
  GradientOpaque(off.dc(), local, color1, color2, vertical, steps);
  Blend(dc, rc, off.dc(), local, static_cast<BYTE>(alpha), false);
}

void CRenderEngine::DrawLine(HDC dc, const RECT& rc, int size, DWORD color, int style) {
  UniquePen pen(::CreatePen(style, size, ToColorRef(color)));
  if (!pen) return;
  SelectedObject selected(dc, pen.Get());
  POINT previous;
  ::MoveToEx(dc, rc.left, rc.top, &previous);
  ::LineTo(dc, rc.right, rc.bottom);
  ::MoveToEx(dc, previous.x, previous.y, nullptr);
}

void CRenderEngine::DrawRect(HDC dc, const RECT& rc, int size, DWORD color, int style) {
  UniquePen pen(::CreatePen(style | PS_INSIDEFRAME, size, ToColorRef(color)));
  if (!pen) return;
  SelectedObject selectedPen(dc, pen.Get());
  SelectedObject selectedBrush(dc, ::GetStockObject(NULL_BRUSH));
  ::Rectangle(dc, rc.left, rc.top, rc.right, rc.bottom);
}

void CRenderEngine::DrawRoundRect(HDC dc, const RECT& rc, int size, int width, int height, DWORD color, int style) {
  UniquePen pen(::CreatePen(style | PS_INSIDEFRAME, size, ToColorRef(color)));
  if (!pen) return;
  SelectedObject selectedPen(dc, pen.Get());
  SelectedObject selectedBrush(dc, ::GetStockObject(NULL_BRUSH));
  ::RoundRect(dc, rc.left, rc.top, rc.right, rc.bottom, width, height);
}

void CRenderEngine::DrawImage(HDC dc, HBITMAP bitmap, const RECT& rc, const RECT& rcPaint, const RECT& rcBmpPart,
                              const RECT& rcCorners, bool alpha, BYTE fade, bool hole, bool xtiled, bool ytiled) {
  if (!dc || !bitmap || IsEmpty(rc) || IsEmpty(rcBmpPart)) return;
  UniqueDC memory(::CreateCompatibleDC(dc));
  if (!memory) return;
  SelectedObject selected(memory.Get(), bitmap);
  ::SetStretchBltMode(dc, COLORONCOLOR);

  const RECT& r = rc;
  const RECT& s = rcBmpPart;
  const RECT& k = rcCorners;
  const bool blend = alpha || fade != 255;
  const bool noCorners = k.left == 0 && k.top == 0 && k.right == 0 && k.bottom == 0;
  if (!blend && noCorners && Width(r) == Width(s) && Height(r) == Height(s)) {
    // An opaque image at its own size: copy just the part that is dirty.
    RECT visible;
    if (!::IntersectRect(&visible, &r, &rcPaint)) return;
    ::BitBlt(dc, visible.left, visible.top, Width(visible), Height(visible), memory.Get(),
             s.left + (visible.left - r.left), s.top + (visible.top - r.top), SRCCOPY);
    return;
  }

  const PartPainter painter(dc, memory.Get(), rcPaint, blend, fade);
  if (!hole) {
    painter.Middle({r.left + k.left, r.top + k.top, r.right - k.right, r.bottom - k.bottom},
                   {s.left + k.left, s.top + k.top, s.right - k.right, s.bottom - k.bottom}, xtiled, ytiled);
  }
  if (k.left > 0 && k.top > 0)
    painter.Part({r.left, r.top, r.left + k.left, r.top + k.top}, {s.left, s.top, s.left + k.left, s.top + k.top});
  if (k.top > 0)
    painter.Part({r.left + k.left, r.top, r.right - k.right, r.top + k.top},
                 {s.left + k.left, s.top, s.right - k.right, s.top + k.top});
  if (k.right > 0 && k.top > 0)
    painter.Part({r.right - k.right, r.top, r.right, r.top + k.top},
                 {s.right - k.right, s.top, s.right, s.top + k.top});
  if (k.left > 0)
    painter.Part({r.left, r.top + k.top, r.left + k.left, r.bottom - k.bottom},
                 {s.left, s.top + k.top, s.left + k.left, s.bottom - k.bottom});
  if (k.right > 0)
    painter.Part({r.right - k.right, r.top + k.top, r.right, r.bottom - k.bottom},
                 {s.right - k.right, s.top + k.top, s.right, s.bottom - k.bottom});
  if (k.left > 0 && k.bottom > 0)
    painter.Part({r.left, r.bottom - k.bottom, r.left + k.left, r.bottom},
                 {s.left, s.bottom - k.bottom, s.left + k.left, s.bottom});
  if (k.bottom > 0)
    painter.Part({r.left + k.left, r.bottom - k.bottom, r.right - k.right, r.bottom},
                 {s.left + k.left, s.bottom - k.bottom, s.right - k.right, s.bottom});
  if (k.right > 0 && k.bottom > 0)
    painter.Part({r.right - k.right, r.bottom - k.bottom, r.right, r.bottom},
                 {s.right - k.right, s.bottom - k.bottom, s.right, s.bottom});
}

bool CRenderEngine::ResolveImageInfo(CWindowHostUI* host, TDrawInfo& info) {
  if (info.image) return true;
  if (!host || info.loaded) return false;
  info.Parse();
  if (info.imageName.empty()) return false;
  const TImageInfo* image = host->GetImageEx(info.imageName, info.resType, info.mask, info.hsl);
  if (!image) return false;
  info.image = image;
  RECT& part = info.source;
  if (part.left == 0 && part.top == 0 && part.right == 0 && part.bottom == 0) {
    part = RECT{0, 0, image->width, image->height};
  }
  // The part is held inside the image: nothing outside it is ever read.
  if (part.left < 0) part.left = 0;
  if (part.top < 0) part.top = 0;
  if (part.right > image->width) part.right = image->width;
  if (part.bottom > image->height) part.bottom = image->height;
  return true;
}

bool CRenderEngine::DrawImageInfo(HDC dc, CWindowHostUI* host, const RECT& rcItem, const RECT& rcPaint,
                                  TDrawInfo& info) {
  if (!host) return true;
  if (!ResolveImageInfo(host, info)) return false;
  RECT dest = rcItem;
  const RECT& offset = info.dest;
  if (offset.left != 0 || offset.top != 0 || offset.right != 0 || offset.bottom != 0) {
    dest.left = rcItem.left + offset.left;
    dest.top = rcItem.top + offset.top;
    dest.right = rcItem.left + offset.right < rcItem.right ? rcItem.left + offset.right : rcItem.right;
    dest.bottom = rcItem.top + offset.bottom < rcItem.bottom ? rcItem.top + offset.bottom : rcItem.bottom;
  }
  if (!Meets(dest, rcItem) || !Meets(dest, rcPaint)) return true;
  const TImageInfo* image = info.image;
  DrawImage(dc, image->bitmap.Get(), dest, rcPaint, info.source, info.corner, image->alpha, info.fade, info.hole,
            info.tiledX, info.tiledY);
  return true;
}

std::wstring CRenderEngine::ReplaceLanguageStrings(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L'{') {
      size_t j = i + 2;
      long long id = 0;
      bool tooLarge = false;
      while (j < text.size() && text[j] >= L'0' && text[j] <= L'9') {
        id = id * 10 + (text[j] - L'0');
        if (id > 0x7FFFFFFF) tooLarge = true, id = 0x80000000LL;
        ++j;
      }
      if (j > i + 2 && j < text.size() && text[j] == L'}' && !tooLarge) {
        const std::wstring* replacement = CWindowHostUI::GetMultiLanguageString(static_cast<int>(id));
        if (replacement) {
          out += *replacement;
          i = j + 1;
          continue;
        }
      }
    }
    out += text[i++];
  }
  return out;
}

void CRenderEngine::DrawText(HDC dc, CWindowHostUI* host, RECT& rc, const std::wstring& text, DWORD color, int font,
                             UINT style) {
  if (!dc || !host) return;
  std::wstring shown = ReplaceLanguageStrings(text);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ToColorRef(color));
  SelectedObject selected(dc, host->GetFont(font));
  ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &rc, style | DT_NOPREFIX);
}

}  // namespace DuiLib
