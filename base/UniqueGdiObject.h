#pragma once

#include <windows.h>

#include "base/UniqueResource.h"

// A GDI object the owner created (font, bitmap, brush, pen, region), deleted
// with DeleteObject. The object must not be selected into a device context
// when the owner lets it go: select it out first (SelectedObject does).
template <typename T>
struct GdiObjectTraits {
  using Type = T;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Release(Type h) { ::DeleteObject(h); }
};
template <typename T>
using UniqueGdiObject = UniqueResource<GdiObjectTraits<T>>;

using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniquePen = UniqueGdiObject<HPEN>;
using UniqueRegion = UniqueGdiObject<HRGN>;
