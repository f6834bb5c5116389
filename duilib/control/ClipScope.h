#pragma once

#include <windows.h>

#include "base/UniqueGdiObject.h"

namespace DuiLib {

// Narrows the clipping of a device context to a rectangle (optionally with
// rounded corners) for the scope's life; the previous clipping and state
// come back when it ends. Scopes nest. The rectangle is in the context's
// logical co-ordinates; the rounded form assumes logical = device units, as
// the toolkit's paint contexts have.
class ClipScope {
 public:
  ClipScope(HDC dc, const RECT& rc) : dc_(dc), saved_(::SaveDC(dc)) {
    ::IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
  }
  ClipScope(HDC dc, const RECT& rc, SIZE round) : dc_(dc), saved_(::SaveDC(dc)) {
    UniqueRegion region(::CreateRoundRectRgn(rc.left, rc.top, rc.right + 1, rc.bottom + 1, round.cx, round.cy));
    if (region) {
      ::ExtSelectClipRgn(dc, region.Get(), RGN_AND);
    } else {
      ::IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    }
  }
  ~ClipScope() {
    if (saved_ != 0) ::RestoreDC(dc_, saved_);
  }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  HDC dc_;
  int saved_;
};

}  // namespace DuiLib
