#include "duilib/core/CHostPainterUI.h"

#include "base/PaintScope.h"
#include "base/SelectedObject.h"
#include "base/TopDownDib.h"
#include "duilib/control/CControlUI.h"

namespace DuiLib {

void CHostPainterUI::PaintBlack(HWND window) {
  PaintScope paint(window);
  RECT client;
  ::GetClientRect(window, &client);
  UniqueBrush black(::CreateSolidBrush(RGB(0, 0, 0)));
  if (paint.Get()) ::FillRect(paint.Get(), &client, black.Get());
}

bool CHostPainterUI::Paint(HWND window, CControlUI& root, const RECT& client) {
  PaintScope paint(window);
  if (!paint.Get()) return false;
  const RECT& rcPaint = paint.Rect();
  if (::IsRectEmpty(&rcPaint)) return false;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (offscreenPaint_ && width > 0 && height > 0) {
    if (!offscreenDC_ || offscreenSize_.cx != width || offscreenSize_.cy != height) {
      offscreenBitmap_.Reset();
      offscreenDC_.Reset(::CreateCompatibleDC(paint.Get()));
      void* bits = nullptr;
      offscreenBitmap_ = CreateTopDownDib(paint.Get(), width, height, &bits);
      offscreenSize_ = SIZE{width, height};
      if (!offscreenBitmap_) offscreenDC_.Reset();
    }
  }
  if (offscreenPaint_ && offscreenDC_) {
    SelectedObject bitmap(offscreenDC_.Get(), offscreenBitmap_.Get());
    root.Paint(offscreenDC_.Get(), rcPaint, nullptr);
    ::BitBlt(paint.Get(), rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left, rcPaint.bottom - rcPaint.top,
             offscreenDC_.Get(), rcPaint.left, rcPaint.top, SRCCOPY);
  } else {
    root.Paint(paint.Get(), rcPaint, nullptr);
  }
  paintedPixels_ += static_cast<unsigned long long>(rcPaint.right - rcPaint.left) * (rcPaint.bottom - rcPaint.top);
  if (showUpdateRect_) {
    UniqueBrush red(::CreateSolidBrush(RGB(255, 0, 0)));
    ::FrameRect(paint.Get(), &rcPaint, red.Get());
  }
  return true;
}

void CHostPainterUI::DropOffscreen() {
  offscreenBitmap_.Reset();
  offscreenDC_.Reset();
}

}  // namespace DuiLib
