#pragma once

#include <windows.h>

#include "base/UniqueDC.h"
#include "base/UniqueGdiObject.h"

namespace DuiLib {

class CControlUI;

// The painting of one window host: the offscreen bitmap of the client size,
// made once and reused until the layout drops it, into which the root paints
// the update rectangle before one copy goes to the screen.
//
// Owns the offscreen context and bitmap; neither the window nor the root.
// UI thread only.
class CHostPainterUI {
 public:
  CHostPainterUI() = default;
  CHostPainterUI(const CHostPainterUI&) = delete;
  CHostPainterUI& operator=(const CHostPainterUI&) = delete;

  // Fills the client area of `window` black (a window without a root).
  static void PaintBlack(HWND window);
  // One WM_PAINT of `window`: `root` paints the update rectangle, through the
  // offscreen bitmap when it can be made (else straight into the window).
  // False when there was nothing to paint (no paint context or an empty
  // update rectangle).
  bool Paint(HWND window, CControlUI& root, const RECT& client);
  // Drops the offscreen bitmap; the next paint makes a new one.
  void DropOffscreen();

  // Outlines each painted rectangle in red ("showdirty").
  void SetShowUpdateRect(bool show) { showUpdateRect_ = show; }
  // Pixels copied to the screen so far.
  unsigned long long PaintedPixels() const { return paintedPixels_; }

 private:
  UniqueDC offscreenDC_;
  UniqueBitmap offscreenBitmap_;
  SIZE offscreenSize_ = {0, 0};
  bool offscreenPaint_ = true;
  bool showUpdateRect_ = false;
  unsigned long long paintedPixels_ = 0;
};

}  // namespace DuiLib
