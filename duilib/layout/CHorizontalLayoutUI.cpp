#include "duilib/layout/CHorizontalLayoutUI.h"

#include <algorithm>
#include <cwchar>

#include "duilib/layout/LayoutMath.h"

namespace DuiLib {

const wchar_t* CHorizontalLayoutUI::GetClass() const {
  return L"HorizontalLayout";
}

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"HorizontalLayout") == 0) return this;
  return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(RECT rcPos, bool needInvalidate) {
  CControlUI::SetPos(rcPos, needInvalidate);

  // Pass 1: the inner rectangle.
  RECT rc = InnerRect();
  if (items_.empty()) {
    ProcessScrollBar(rc, 0, 0);
    return;
  }
  const bool vertical = VisibleVerticalBar() != nullptr;
  const bool horizontal = VisibleHorizontalBar() != nullptr;

  // Pass 2: the room the content may use (the whole scrolled extent).
  SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
  if (horizontal) available.cx += HorizontalScrollRange();
  if (vertical) available.cy += VerticalScrollRange();

  // Pass 3: what the children with a width of their own take. A child
  // without a fixed width shares the rest and is not asked.
  int adjustable = 0;
  int fixedTotal = 0;
  int neededHeight = 0;
  int count = 0;
  for (const auto& item : items_) {
    CControlUI* child = item.get();
    if (!child->IsVisible() || child->IsFloat()) continue;
    const RECT pad = child->GetPadding();
    SIZE size;
    if (child->GetFixedWidth() == 0) {
      ++adjustable;
      size = SIZE{0, child->GetFixedHeight()};
    } else {
      const SIZE room = {CapBy(available.cx, child->GetFixedWidth(), child->GetMaxWidth()),
                         CapBy(available.cy - pad.top - pad.bottom, child->GetFixedHeight(), child->GetMaxHeight())};
      size = child->EstimateSize(room);
      if (size.cx == 0) {
        ++adjustable;
      } else {
        size.cx = ClampInt(size.cx, child->GetMinWidth(), child->GetMaxWidth());
      }
    }
    fixedTotal += pad.left + size.cx + pad.right;
    size.cy = ClampInt(std::max<int>(size.cy, 0), child->GetMinHeight(), child->GetMaxHeight());
    neededHeight = std::max<int>(neededHeight, size.cy + pad.top + pad.bottom);
    ++count;
  }

  // Pass 4: the share of each child without a width.
  if (count > 0) fixedTotal += childPadding_ * (count - 1);
  const int expansion = adjustable > 0 ? std::max<int>(0, (available.cx - fixedTotal) / adjustable) : 0;

  // Pass 5: place the children left to right.
  int x = rc.left - (horizontal ? HorizontalScrollPos() : 0);
  int remainingWidth = available.cx;
  int remainingFixed = fixedTotal;
  int adjustableSeen = 0;
  int laidOut = 0;
  int neededWidth = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    CControlUI* child = items_[i].get();
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(static_cast<int>(i));
      continue;
    }
    const RECT pad = child->GetPadding();
    remainingWidth -= pad.left;
    const SIZE room = {CapBy(remainingWidth, child->GetFixedWidth(), child->GetMaxWidth()),
                       CapBy(available.cy - pad.top - pad.bottom, child->GetFixedHeight(), child->GetMaxHeight())};
    remainingFixed -= pad.left + pad.right;
    if (laidOut > 0) remainingFixed -= childPadding_;
    SIZE size = child->EstimateSize(room);
    if (child->GetFixedWidth() != 0 && size.cx != 0) {
      size.cx = ClampInt(size.cx, child->GetMinWidth(), child->GetMaxWidth());
      remainingFixed -= size.cx;
    } else {
      ++adjustableSeen;
      // The last one takes the rounding remainder.
      size.cx = adjustableSeen == adjustable
                    ? std::max<int>(0, remainingWidth - static_cast<int>(pad.right) - remainingFixed)
                    : expansion;
      size.cx = ClampInt(size.cx, child->GetMinWidth(), child->GetMaxWidth());
    }

    // Pass 6: the height, from the child's limits rather than its estimate.
    int height = child->GetMaxHeight();
    if (height == 0) height = available.cy - pad.top - pad.bottom;
    height = std::min(std::max(height, 0), static_cast<int>(room.cy));
    height = std::max(height, child->GetMinHeight());

    // Pass 7: vertical placement by the child vertical alignment.
    RECT pos;
    if (childVAlign_ == UIVALIGN_VCENTER) {
      int cy = (rc.top + rc.bottom) / 2;
      if (vertical) cy += VerticalScrollRange() / 2 - VerticalScrollPos();
      pos.top = cy - height / 2;
      pos.bottom = pos.top + height;
    } else if (childVAlign_ == UIVALIGN_BOTTOM) {
      pos.bottom = rc.bottom - pad.bottom;
      if (vertical) pos.bottom += VerticalScrollRange() - VerticalScrollPos();
      pos.top = pos.bottom - height;
    } else {
      pos.top = rc.top + pad.top - (vertical ? VerticalScrollPos() : 0);
      pos.bottom = pos.top + height;
    }
    pos.left = x + pad.left;
    pos.right = pos.left + size.cx;
    child->SetPos(pos, false);

    // Pass 8: advance.
    x += size.cx + pad.left + pad.right + childPadding_;
    remainingWidth -= size.cx + pad.right + childPadding_;
    neededWidth += size.cx + pad.left + pad.right;
    ++laidOut;
  }
  if (laidOut > 0) neededWidth += childPadding_ * (laidOut - 1);

  // Pass 9: the scroll bars follow the content.
  ProcessScrollBar(rc, neededWidth, neededHeight);
}

}  // namespace DuiLib
