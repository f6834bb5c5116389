#include "duilib/layout/CBoxLayoutUI.h"

#include <algorithm>
#include <memory>
#include <vector>

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

// What the first pass finds: how many children share the rest along the
// axis, what the others take (with the gaps), and the widest extent across.
struct Measure {
  int adjustable = 0;
  int fixedTotal = 0;
  int neededAcross = 0;
};

Measure MeasureChildren(const std::vector<std::unique_ptr<CControlUI>>& items, const Axes& axes, bool askUnsized,
                        int childPadding, int availableAlong, int availableAcross) {
  Measure measure;
  int count = 0;
  for (const auto& item : items) {
    const CControlUI& child = *item;
    if (!child.IsVisible() || child.IsFloat()) continue;
    const RECT pad = child.GetPadding();
    SIZE size;
    if (!askUnsized && axes.FixedAlong(child) == 0) {
      ++measure.adjustable;
      size = axes.Size(0, axes.FixedAcross(child));
    } else {
      const SIZE room = axes.Size(CapBy(availableAlong, axes.FixedAlong(child), axes.MaxAlong(child)),
                                  CapBy(availableAcross - axes.PadAcrossBefore(pad) - axes.PadAcrossAfter(pad),
                                        axes.FixedAcross(child), axes.MaxAcross(child)));
      size = item->EstimateSize(room);
      if (axes.Along(size) == 0) {
        ++measure.adjustable;
      } else {
        axes.Along(size) = ClampInt(axes.Along(size), axes.MinAlong(child), axes.MaxAlong(child));
      }
    }
    measure.fixedTotal += axes.PadAlongBefore(pad) + axes.Along(size) + axes.PadAlongAfter(pad);
    axes.Across(size) = ClampInt(std::max<int>(axes.Across(size), 0), axes.MinAcross(child), axes.MaxAcross(child));
    measure.neededAcross =
        std::max<int>(measure.neededAcross, axes.Across(size) + axes.PadAcrossBefore(pad) + axes.PadAcrossAfter(pad));
    ++count;
  }
  if (count > 0) measure.fixedTotal += childPadding * (count - 1);
  return measure;
}

// The child alignment across: the horizontal one for a vertical box, the
// vertical one for a horizontal box.
Placement ChildPlacement(bool vertical, int childAlign, int childVAlign) {
  if (vertical) {
    if (childAlign == UIALIGN_CENTER) return Placement::Center;
    if (childAlign == UIALIGN_RIGHT) return Placement::End;
    return Placement::Start;
  }
  if (childVAlign == UIVALIGN_VCENTER) return Placement::Center;
  if (childVAlign == UIVALIGN_BOTTOM) return Placement::End;
  return Placement::Start;
}

// The extent across of a child: from its limits rather than its estimate.
int AcrossExtent(const CControlUI& child, const Axes& axes, int room, int availableAcross, int padAcross) {
  int across = axes.MaxAcross(child);
  if (across == 0) across = availableAcross - padAcross;
  across = std::min(std::max(across, 0), room);
  return std::max(across, axes.MinAcross(child));
}

// Where a child of extent `across` starts across the inner rectangle `rc`;
// `range` and `pos` are those of a visible scroll bar across (else 0).
int AcrossStart(Placement placement, const Axes& axes, const RECT& rc, const RECT& pad, int across, int range,
                int pos) {
  switch (placement) {
    case Placement::Center:
      return (axes.AcrossStart(rc) + axes.AcrossEnd(rc)) / 2 + range / 2 - pos - across / 2;
    case Placement::End:
      return axes.AcrossEnd(rc) - axes.PadAcrossAfter(pad) + range - pos - across;
    case Placement::Start:
      break;
  }
  return axes.AcrossStart(rc) + axes.PadAcrossBefore(pad) - pos;
}

// The run of the children along the axis: where the next one starts, what
// is left for it, and how the children without a size share the rest.
struct AlongRun {
  const Axes& axes;
  const bool askUnsized;
  const int childPadding;
  const int adjustable;
  const int expansion;
  int cursor;
  int remaining;
  int remainingFixed;
  int adjustableSeen = 0;
  int laidOut = 0;
  int needed = 0;

  // The room of `child` along the axis, once its leading padding is taken.
  int Room(const CControlUI& child, const RECT& pad) {
    remaining -= axes.PadAlongBefore(pad);
    return CapBy(remaining, axes.FixedAlong(child), axes.MaxAlong(child));
  }

  // The extent of `child` along the axis, from its estimate `estimated`.
  int Extent(const CControlUI& child, const RECT& pad, int estimated) {
    remainingFixed -= axes.PadAlongBefore(pad) + axes.PadAlongAfter(pad);
    if (laidOut > 0) remainingFixed -= childPadding;
    if ((askUnsized || axes.FixedAlong(child) != 0) && estimated != 0) {
      const int along = ClampInt(estimated, axes.MinAlong(child), axes.MaxAlong(child));
      remainingFixed -= along;
      return along;
    }
    ++adjustableSeen;
    // The last one takes the rounding remainder.
    const int along = adjustableSeen == adjustable
                          ? std::max<int>(0, remaining - axes.PadAlongAfter(pad) - remainingFixed)
                          : expansion;
    return ClampInt(along, axes.MinAlong(child), axes.MaxAlong(child));
  }

  // Moves past a child of extent `along` (its leading padding is taken).
  void Advance(const RECT& pad, int along) {
    const int padAlong = axes.PadAlongBefore(pad) + axes.PadAlongAfter(pad);
    cursor += along + padAlong + childPadding;
    remaining -= along + axes.PadAlongAfter(pad) + childPadding;
    needed += along + padAlong;
    ++laidOut;
  }

  // The extent of all laid-out children with the gaps between them.
  int Needed() const { return laidOut > 0 ? needed + childPadding * (laidOut - 1) : needed; }
};

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
  // Scroll positions and ranges count only for a visible bar.
  const int alongScrollPos =
      (axes.vertical ? vertical : horizontal) ? (axes.vertical ? VerticalScrollPos() : HorizontalScrollPos()) : 0;
  const bool acrossBar = axes.vertical ? horizontal : vertical;
  const int acrossScrollPos = acrossBar ? (axes.vertical ? HorizontalScrollPos() : VerticalScrollPos()) : 0;
  const int acrossScrollRange = acrossBar ? (axes.vertical ? HorizontalScrollRange() : VerticalScrollRange()) : 0;

  // Pass 2: the room the content may use (the whole scrolled extent).
  SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
  if (horizontal) available.cx += HorizontalScrollRange();
  if (vertical) available.cy += VerticalScrollRange();
  const int availableAlong = axes.Along(available);
  const int availableAcross = axes.Across(available);

  // Passes 3 and 4: what the sized children take, and the share of the others.
  const Measure measure = MeasureChildren(items_, axes, askUnsized_, childPadding_, availableAlong, availableAcross);
  const int expansion =
      measure.adjustable > 0 ? std::max<int>(0, (availableAlong - measure.fixedTotal) / measure.adjustable) : 0;
  const Placement placement = ChildPlacement(axes.vertical, childAlign_, childVAlign_);

  // Pass 5: place the children one after the other along the axis.
  AlongRun run{axes,           askUnsized_,
               childPadding_,  measure.adjustable,
               expansion,      axes.AlongStart(rc) - alongScrollPos,
               availableAlong, measure.fixedTotal};
  for (size_t i = 0; i < items_.size(); ++i) {
    CControlUI& child = *items_[i];
    if (!child.IsVisible()) continue;
    if (child.IsFloat()) {
      SetFloatPos(static_cast<int>(i));
      continue;
    }
    const RECT pad = child.GetPadding();
    const int padAcross = axes.PadAcrossBefore(pad) + axes.PadAcrossAfter(pad);
    SIZE room = axes.Size(run.Room(child, pad),
                          CapBy(availableAcross - padAcross, axes.FixedAcross(child), axes.MaxAcross(child)));
    SIZE estimate = child.EstimateSize(room);
    const int along = run.Extent(child, pad, axes.Along(estimate));

    // Passes 6 and 7: the extent and the place across.
    const int across = AcrossExtent(child, axes, axes.Across(room), availableAcross, padAcross);
    const int acrossStart = AcrossStart(placement, axes, rc, pad, across, acrossScrollRange, acrossScrollPos);
    const int alongStart = run.cursor + axes.PadAlongBefore(pad);
    child.SetPos(axes.Rect(alongStart, alongStart + along, acrossStart, acrossStart + across), false);

    // Pass 8: advance.
    run.Advance(pad, along);
  }
  const int neededAlong = run.Needed();

  // Pass 9: the scroll bars follow the content.
  if (axes.vertical) {
    ProcessScrollBar(rc, measure.neededAcross, neededAlong);
  } else {
    ProcessScrollBar(rc, neededAlong, measure.neededAcross);
  }
}

}  // namespace DuiLib
