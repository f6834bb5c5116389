#include "duilib/layout/CBoxLayoutUI.h"

#include <algorithm>

#include "duilib/layout/LayoutMath.h"

namespace DuiLib {
namespace {

// Reads and writes sizes, rectangles and a child's limits in along/across
// terms, so that one algorithm serves both orientations.
struct Axes {
  bool vertical;

  LONG& Along(SIZE& s) const { return vertical ? s.cy : s.cx; }
  LONG& Across(SIZE& s) const { return vertical ? s.cx : s.cy; }
  SIZE Size(int along, int across) const { return vertical ? SIZE{across, along} : SIZE{along, across}; }

  int AlongStart(const RECT& r) const { return vertical ? r.top : r.left; }
  int AcrossStart(const RECT& r) const { return vertical ? r.left : r.top; }
  int AcrossEnd(const RECT& r) const { return vertical ? r.right : r.bottom; }
  int PadAlongBefore(const RECT& pad) const { return vertical ? pad.top : pad.left; }
  int PadAlongAfter(const RECT& pad) const { return vertical ? pad.bottom : pad.right; }
  int PadAcrossBefore(const RECT& pad) const { return vertical ? pad.left : pad.top; }
  int PadAcrossAfter(const RECT& pad) const { return vertical ? pad.right : pad.bottom; }
  RECT Rect(int alongStart, int alongEnd, int acrossStart, int acrossEnd) const {
    return vertical ? RECT{acrossStart, alongStart, acrossEnd, alongEnd}
                    : RECT{alongStart, acrossStart, alongEnd, acrossEnd};
  }

  int FixedAlong(const CControlUI& c) const { return vertical ? c.GetFixedHeight() : c.GetFixedWidth(); }
  int FixedAcross(const CControlUI& c) const { return vertical ? c.GetFixedWidth() : c.GetFixedHeight(); }
  int MinAlong(const CControlUI& c) const { return vertical ? c.GetMinHeight() : c.GetMinWidth(); }
  int MaxAlong(const CControlUI& c) const { return vertical ? c.GetMaxHeight() : c.GetMaxWidth(); }
  int MinAcross(const CControlUI& c) const { return vertical ? c.GetMinWidth() : c.GetMinHeight(); }
  int MaxAcross(const CControlUI& c) const { return vertical ? c.GetMaxWidth() : c.GetMaxHeight(); }
};

enum class Placement { Start, Center, End };

}  // namespace

CBoxLayoutUI::CBoxLayoutUI(Orientation orientation, bool askUnsized)
    : orientation_(orientation), askUnsized_(askUnsized) {}

void CBoxLayoutUI::SetPos(RECT rcPos, bool needInvalidate) {
  CControlUI::SetPos(rcPos, needInvalidate);
  const Axes axes{orientation_ == Orientation::Vertical};

  // Pass 1: the inner rectangle.
  RECT rc = InnerRect();
  if (items_.empty()) {
    ProcessScrollBar(rc, 0, 0);
    return;
  }
  const bool vertical = VisibleVerticalBar() != nullptr;
  const bool horizontal = VisibleHorizontalBar() != nullptr;
  const bool alongBar = axes.vertical ? vertical : horizontal;
  const bool acrossBar = axes.vertical ? horizontal : vertical;
  // Only asked of a visible bar.
  auto alongScrollPos = [&] { return axes.vertical ? VerticalScrollPos() : HorizontalScrollPos(); };
  auto acrossScrollPos = [&] { return axes.vertical ? HorizontalScrollPos() : VerticalScrollPos(); };
  auto acrossScrollRange = [&] { return axes.vertical ? HorizontalScrollRange() : VerticalScrollRange(); };

  // Pass 2: the room the content may use (the whole scrolled extent).
  SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
  if (horizontal) available.cx += HorizontalScrollRange();
  if (vertical) available.cy += VerticalScrollRange();
  const int availableAlong = axes.Along(available);
  const int availableAcross = axes.Across(available);

  // Pass 3: what the children with a size of their own along the axis take.
  int adjustable = 0;
  int fixedTotal = 0;
  int neededAcross = 0;
  int count = 0;
  for (const auto& item : items_) {
    const CControlUI& child = *item;
    if (!child.IsVisible() || child.IsFloat()) continue;
    const RECT pad = child.GetPadding();
    SIZE size;
    if (!askUnsized_ && axes.FixedAlong(child) == 0) {
      ++adjustable;
      size = axes.Size(0, axes.FixedAcross(child));
    } else {
      const SIZE room = axes.Size(CapBy(availableAlong, axes.FixedAlong(child), axes.MaxAlong(child)),
                                  CapBy(availableAcross - axes.PadAcrossBefore(pad) - axes.PadAcrossAfter(pad),
                                        axes.FixedAcross(child), axes.MaxAcross(child)));
      size = item->EstimateSize(room);
      if (axes.Along(size) == 0) {
        ++adjustable;
      } else {
        axes.Along(size) = ClampInt(axes.Along(size), axes.MinAlong(child), axes.MaxAlong(child));
      }
    }
    fixedTotal += axes.PadAlongBefore(pad) + axes.Along(size) + axes.PadAlongAfter(pad);
    axes.Across(size) = ClampInt(std::max<int>(axes.Across(size), 0), axes.MinAcross(child), axes.MaxAcross(child));
    neededAcross =
        std::max<int>(neededAcross, axes.Across(size) + axes.PadAcrossBefore(pad) + axes.PadAcrossAfter(pad));
    ++count;
  }

  // Pass 4: the share of each child without a size along the axis.
  if (count > 0) fixedTotal += childPadding_ * (count - 1);
  const int expansion = adjustable > 0 ? std::max<int>(0, (availableAlong - fixedTotal) / adjustable) : 0;

  Placement placement = Placement::Start;
  if (axes.vertical) {
    if (childAlign_ == UIALIGN_CENTER) placement = Placement::Center;
    if (childAlign_ == UIALIGN_RIGHT) placement = Placement::End;
  } else {
    if (childVAlign_ == UIVALIGN_VCENTER) placement = Placement::Center;
    if (childVAlign_ == UIVALIGN_BOTTOM) placement = Placement::End;
  }

  // Pass 5: place the children one after the other along the axis.
  int cursor = axes.AlongStart(rc) - (alongBar ? alongScrollPos() : 0);
  int remaining = availableAlong;
  int remainingFixed = fixedTotal;
  int adjustableSeen = 0;
  int laidOut = 0;
  int neededAlong = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    CControlUI& child = *items_[i];
    if (!child.IsVisible()) continue;
    if (child.IsFloat()) {
      SetFloatPos(static_cast<int>(i));
      continue;
    }
    const RECT pad = child.GetPadding();
    const int padAcross = axes.PadAcrossBefore(pad) + axes.PadAcrossAfter(pad);
    remaining -= axes.PadAlongBefore(pad);
    SIZE room = axes.Size(CapBy(remaining, axes.FixedAlong(child), axes.MaxAlong(child)),
                          CapBy(availableAcross - padAcross, axes.FixedAcross(child), axes.MaxAcross(child)));
    remainingFixed -= axes.PadAlongBefore(pad) + axes.PadAlongAfter(pad);
    if (laidOut > 0) remainingFixed -= childPadding_;
    SIZE size = child.EstimateSize(room);
    if ((askUnsized_ || axes.FixedAlong(child) != 0) && axes.Along(size) != 0) {
      axes.Along(size) = ClampInt(axes.Along(size), axes.MinAlong(child), axes.MaxAlong(child));
      remainingFixed -= axes.Along(size);
    } else {
      ++adjustableSeen;
      // The last one takes the rounding remainder.
      axes.Along(size) = adjustableSeen == adjustable
                             ? std::max<int>(0, remaining - axes.PadAlongAfter(pad) - remainingFixed)
                             : expansion;
      axes.Along(size) = ClampInt(axes.Along(size), axes.MinAlong(child), axes.MaxAlong(child));
    }

    // Pass 6: the extent across, from the child's limits rather than its estimate.
    int across = axes.MaxAcross(child);
    if (across == 0) across = availableAcross - padAcross;
    across = std::min(std::max(across, 0), static_cast<int>(axes.Across(room)));
    across = std::max(across, axes.MinAcross(child));

    // Pass 7: placement across by the child alignment.
    int acrossStart = 0;
    if (placement == Placement::Center) {
      int middle = (axes.AcrossStart(rc) + axes.AcrossEnd(rc)) / 2;
      if (acrossBar) middle += acrossScrollRange() / 2 - acrossScrollPos();
      acrossStart = middle - across / 2;
    } else if (placement == Placement::End) {
      int end = axes.AcrossEnd(rc) - axes.PadAcrossAfter(pad);
      if (acrossBar) end += acrossScrollRange() - acrossScrollPos();
      acrossStart = end - across;
    } else {
      acrossStart = axes.AcrossStart(rc) + axes.PadAcrossBefore(pad) - (acrossBar ? acrossScrollPos() : 0);
    }
    const int alongStart = cursor + axes.PadAlongBefore(pad);
    child.SetPos(axes.Rect(alongStart, alongStart + axes.Along(size), acrossStart, acrossStart + across), false);

    // Pass 8: advance.
    const int extent = axes.Along(size);
    cursor += extent + axes.PadAlongBefore(pad) + axes.PadAlongAfter(pad) + childPadding_;
    remaining -= extent + axes.PadAlongAfter(pad) + childPadding_;
    neededAlong += extent + axes.PadAlongBefore(pad) + axes.PadAlongAfter(pad);
    ++laidOut;
  }
  if (laidOut > 0) neededAlong += childPadding_ * (laidOut - 1);

  // Pass 9: the scroll bars follow the content.
  if (axes.vertical) {
    ProcessScrollBar(rc, neededAcross, neededAlong);
  } else {
    ProcessScrollBar(rc, neededAlong, neededAcross);
  }
}

}  // namespace DuiLib
