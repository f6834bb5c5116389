#include "duilib/layout/CVerticalLayoutUI.h"

#include <algorithm>
#include <cwchar>

#include "duilib/layout/LayoutMath.h"

namespace DuiLib {

const wchar_t* CVerticalLayoutUI::GetClass() const {
  return L"VerticalLayout";
}

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"VerticalLayout") == 0) return this;
  return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetPos(RECT rcPos, bool needInvalidate) {
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

  // Pass 3: what the children with a height of their own take.
  int adjustable = 0;
  int fixedTotal = 0;
  int neededWidth = 0;
  int count = 0;
  for (const auto& item : items_) {
    CControlUI* child = item.get();
    if (!child->IsVisible() || child->IsFloat()) continue;
    const RECT pad = child->GetPadding();
    const SIZE room = {CapBy(available.cx - pad.left - pad.right, child->GetFixedWidth(), child->GetMaxWidth()),
                       CapBy(available.cy, child->GetFixedHeight(), child->GetMaxHeight())};
    SIZE size = child->EstimateSize(room);
    if (size.cy == 0) {
      ++adjustable;
    } else {
      size.cy = ClampInt(size.cy, child->GetMinHeight(), child->GetMaxHeight());
    }
    fixedTotal += pad.top + size.cy + pad.bottom;
    size.cx = ClampInt(std::max<int>(size.cx, 0), child->GetMinWidth(), child->GetMaxWidth());
    neededWidth = std::max<int>(neededWidth, size.cx + pad.left + pad.right);
    ++count;
  }

  // Pass 4: the share of each child without a height.
  if (count > 0) fixedTotal += childPadding_ * (count - 1);
  const int expansion = adjustable > 0 ? std::max<int>(0, (available.cy - fixedTotal) / adjustable) : 0;

  // Pass 5: place the children top to bottom.
  int y = rc.top - (vertical ? VerticalScrollPos() : 0);
  int remainingHeight = available.cy;
  int remainingFixed = fixedTotal;
  int adjustableSeen = 0;
  int laidOut = 0;
  int neededHeight = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    CControlUI* child = items_[i].get();
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(static_cast<int>(i));
      continue;
    }
    const RECT pad = child->GetPadding();
    remainingHeight -= pad.top;
    const SIZE room = {CapBy(available.cx - pad.left - pad.right, child->GetFixedWidth(), child->GetMaxWidth()),
                       CapBy(remainingHeight, child->GetFixedHeight(), child->GetMaxHeight())};
    remainingFixed -= pad.top + pad.bottom;
    if (laidOut > 0) remainingFixed -= childPadding_;
    SIZE size = child->EstimateSize(room);
    if (size.cy != 0) {
      size.cy = ClampInt(size.cy, child->GetMinHeight(), child->GetMaxHeight());
      remainingFixed -= size.cy;
    } else {
      ++adjustableSeen;
      // The last one takes the rounding remainder.
      size.cy = adjustableSeen == adjustable
                    ? std::max<int>(0, remainingHeight - static_cast<int>(pad.bottom) - remainingFixed)
                    : expansion;
      size.cy = ClampInt(size.cy, child->GetMinHeight(), child->GetMaxHeight());
    }

    // Pass 6: the width, from the child's limits rather than its estimate.
    int width = child->GetMaxWidth();
    if (width == 0) width = available.cx - pad.left - pad.right;
    width = std::min(std::max(width, 0), static_cast<int>(room.cx));
    width = std::max(width, child->GetMinWidth());

    // Pass 7: horizontal placement by the child alignment.
    RECT pos;
    if (childAlign_ == UIALIGN_CENTER) {
      int cx = (rc.left + rc.right) / 2;
      if (horizontal) cx += HorizontalScrollRange() / 2 - HorizontalScrollPos();
      pos.left = cx - width / 2;
      pos.right = pos.left + width;
    } else if (childAlign_ == UIALIGN_RIGHT) {
      pos.right = rc.right - pad.right;
      if (horizontal) pos.right += HorizontalScrollRange() - HorizontalScrollPos();
      pos.left = pos.right - width;
    } else {
      pos.left = rc.left + pad.left - (horizontal ? HorizontalScrollPos() : 0);
      pos.right = pos.left + width;
    }
    pos.top = y + pad.top;
    pos.bottom = pos.top + size.cy;
    child->SetPos(pos, false);

    // Pass 8: advance.
    y += size.cy + pad.top + pad.bottom + childPadding_;
    remainingHeight -= size.cy + pad.bottom + childPadding_;
    neededHeight += size.cy + pad.top + pad.bottom;
    ++laidOut;
  }
  if (laidOut > 0) neededHeight += childPadding_ * (laidOut - 1);

  // Pass 9: the scroll bars follow the content.
  ProcessScrollBar(rc, neededWidth, neededHeight);
}

}  // namespace DuiLib
