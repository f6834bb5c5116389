#include "duilib/layout/CContainerUI.h"

#include <algorithm>
#include <cwchar>
#include <utility>

#include "duilib/control/AttributeHandler.h"
#include "duilib/control/CScrollBarUI.h"
#include "duilib/control/ClipScope.h"
#include "duilib/core/AttributeText.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/layout/LayoutMath.h"

namespace DuiLib {
namespace {

// The step of one line when the bar gives none.
constexpr int kDefaultLineSize = 8;

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  // Children first: their destructors report to the host while this
  // container still exists.
  items_.clear();
  delete verticalScrollBar_;
  delete horizontalScrollBar_;
}

const wchar_t* CContainerUI::GetClass() const {
  return L"Container";
}

void* CContainerUI::GetInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"IContainer") == 0) return static_cast<IContainer*>(this);
  if (name && std::wcscmp(name, L"Container") == 0) return static_cast<CContainerUI*>(this);
  return CControlUI::GetInterface(name);
}

// ---- IContainer ------------------------------------------------------------

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
  return items_[index].get();
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == control) return static_cast<int>(i);
  }
  return -1;
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
  const int from = GetItemIndex(control);
  if (from < 0 || index < 0 || index >= static_cast<int>(items_.size())) return false;
  std::unique_ptr<CControlUI> moving = std::move(items_[from]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + index, std::move(moving));
  NeedUpdate();
  return true;
}

int CContainerUI::GetCount() const {
  return static_cast<int>(items_.size());
}

bool CContainerUI::Add(CControlUI* control) {
  return AddAt(control, GetCount());
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control || index < 0 || index > GetCount()) return false;
  items_.insert(items_.begin() + index, std::unique_ptr<CControlUI>(control));
  // The parent link is needed even before the tree meets a host (the
  // builder attaches children first and the host later).
  control->SetManager(manager_, this, false);
  if (manager_) manager_->InitControls(control, this);
  if (IsVisible()) {
    NeedUpdate();
  } else {
    control->SetInternVisible(false);
  }
  return true;
}

bool CContainerUI::Remove(CControlUI* control) {
  return RemoveAt(GetItemIndex(control));
}

bool CContainerUI::RemoveAt(int index) {
  if (index < 0 || index >= GetCount()) return false;
  std::unique_ptr<CControlUI> removed = std::move(items_[index]);
  items_.erase(items_.begin() + index);
  NeedUpdate();
  if (!autoDestroy_) {
    removed.release();  // the caller owns it again
  } else if (delayedDestroy_ && manager_) {
    // The control may be the one whose event handling asked for this.
    manager_->AddDelayedCleanup(removed.release());
  }
  return true;
}

void CContainerUI::RemoveAll() {
  std::vector<std::unique_ptr<CControlUI>> removed = std::move(items_);
  items_.clear();
  for (std::unique_ptr<CControlUI>& control : removed) {
    if (!autoDestroy_) {
      control.release();
    } else if (delayedDestroy_ && manager_) {
      manager_->AddDelayedCleanup(control.release());
    }
  }
  NeedUpdate();
}

// ---- Settings --------------------------------------------------------------

RECT CContainerUI::GetInset() const {
  return inset_;
}

void CContainerUI::SetInset(RECT inset) {
  inset_ = inset;
  NeedUpdate();
}

int CContainerUI::GetChildPadding() const {
  return childPadding_;
}

void CContainerUI::SetChildPadding(int padding) {
  childPadding_ = padding;
  NeedUpdate();
}

int CContainerUI::GetChildAlign() const {
  return childAlign_;
}

void CContainerUI::SetChildAlign(int align) {
  childAlign_ = align;
  NeedUpdate();
}

int CContainerUI::GetChildVAlign() const {
  return childVAlign_;
}

void CContainerUI::SetChildVAlign(int align) {
  childVAlign_ = align;
  NeedUpdate();
}

bool CContainerUI::IsAutoDestroy() const {
  return autoDestroy_;
}

void CContainerUI::SetAutoDestroy(bool autoDestroy) {
  autoDestroy_ = autoDestroy;
}

bool CContainerUI::IsDelayedDestroy() const {
  return delayedDestroy_;
}

void CContainerUI::SetDelayedDestroy(bool delayed) {
  delayedDestroy_ = delayed;
}

bool CContainerUI::IsMouseChildEnabled() const {
  return mouseChildEnabled_;
}

void CContainerUI::SetMouseChildEnabled(bool enabled) {
  mouseChildEnabled_ = enabled;
}

int CContainerUI::FindSelectable(int index, bool forward) const {
  const int count = GetCount();
  if (count == 0) return -1;
  index = ClampInt(index, 0, count - 1);
  for (int i = index; i >= 0 && i < count; i += forward ? 1 : -1) {
    if (items_[i]->IsVisible() && items_[i]->IsEnabled()) return i;
  }
  return -1;
}

// ---- Manager, visibility ---------------------------------------------------

void CContainerUI::SetManager(CWindowHostUI* manager, CControlUI* parent, bool init) {
  for (std::unique_ptr<CControlUI>& item : items_) item->SetManager(manager, this, init);
  if (CControlUI* bar = verticalScrollBar_) bar->SetManager(manager, this, init);
  if (CControlUI* bar = horizontalScrollBar_) bar->SetManager(manager, this, init);
  CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  CControlUI::SetVisible(visible);
  for (std::unique_ptr<CControlUI>& item : items_) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  for (std::unique_ptr<CControlUI>& item : items_) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetMouseEnabled(bool enabled) {
  if (CControlUI* bar = verticalScrollBar_) bar->SetMouseEnabled(enabled);
  if (CControlUI* bar = horizontalScrollBar_) bar->SetMouseEnabled(enabled);
  CControlUI::SetMouseEnabled(enabled);
}

// ---- Layout ----------------------------------------------------------------

CControlUI* CContainerUI::VisibleVerticalBar() const {
  CControlUI* bar = verticalScrollBar_;
  return bar && bar->IsVisible() ? bar : nullptr;
}

CControlUI* CContainerUI::VisibleHorizontalBar() const {
  CControlUI* bar = horizontalScrollBar_;
  return bar && bar->IsVisible() ? bar : nullptr;
}

int CContainerUI::VerticalScrollPos() const {
  return GetScrollPos().cy;
}

int CContainerUI::VerticalScrollRange() const {
  return GetScrollRange().cy;
}

int CContainerUI::HorizontalScrollPos() const {
  return GetScrollPos().cx;
}

int CContainerUI::HorizontalScrollRange() const {
  return GetScrollRange().cx;
}

RECT CContainerUI::InnerRect() const {
  RECT rc = itemRect_;
  rc.left += inset_.left;
  rc.top += inset_.top;
  rc.right -= inset_.right;
  rc.bottom -= inset_.bottom;
  if (CControlUI* bar = VisibleVerticalBar()) rc.right -= bar->GetFixedWidth();
  if (CControlUI* bar = VisibleHorizontalBar()) rc.bottom -= bar->GetFixedHeight();
  return rc;
}

void CContainerUI::SetPos(RECT rc, bool needInvalidate) {
  CControlUI::SetPos(rc, needInvalidate);
  if (items_.empty()) return;

  // Pass 1: the inner rectangle, stretched over the scrolled-away content.
  RECT inner = InnerRect();
  if (VisibleVerticalBar()) {
    inner.top -= VerticalScrollPos();
    inner.bottom += VerticalScrollRange() - VerticalScrollPos();
  }
  if (VisibleHorizontalBar()) {
    inner.left -= HorizontalScrollPos();
    inner.right += HorizontalScrollRange() - HorizontalScrollPos();
  }

  // Pass 2: the children.
  PlaceChildrenIn(inner);
}

void CContainerUI::PlaceChildrenIn(const RECT& inner) {
  for (size_t i = 0; i < items_.size(); ++i) {
    CControlUI* child = items_[i].get();
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(static_cast<int>(i));
      continue;
    }
    const int width = ClampInt(inner.right - inner.left, child->GetMinWidth(), child->GetMaxWidth());
    const int height = ClampInt(inner.bottom - inner.top, child->GetMinHeight(), child->GetMaxHeight());
    child->SetPos(RECT{inner.left, inner.top, inner.left + width, inner.top + height}, false);
  }
}

void CContainerUI::Move(SIZE offset, bool needInvalidate) {
  CControlUI::Move(offset, needInvalidate);
  for (std::unique_ptr<CControlUI>& item : items_) {
    if (item->IsVisible()) item->Move(offset, false);
  }
  if (CControlUI* bar = VisibleVerticalBar()) bar->Move(offset, false);
  if (CControlUI* bar = VisibleHorizontalBar()) bar->Move(offset, false);
}

void CContainerUI::SetFloatPos(int index) {
  CControlUI* child = GetItemAt(index);
  if (!child || !child->IsVisible() || !child->IsFloat()) return;
  const int width = itemRect_.right - itemRect_.left;
  const int height = itemRect_.bottom - itemRect_.top;
  const SIZE xy = child->GetFixedXY();
  const TPercentInfo percent = child->GetFloatPercent();
  // Relative to this container; the child's SetPos adds our top-left corner.
  RECT rc;
  rc.left = static_cast<int>(width * percent.left) + xy.cx;
  rc.top = static_cast<int>(height * percent.top) + xy.cy;
  rc.right = child->GetFixedWidth() + static_cast<int>(width * percent.right) + xy.cx;
  rc.bottom = child->GetFixedHeight() + static_cast<int>(height * percent.bottom) + xy.cy;
  child->SetPos(rc, false);
}

void CContainerUI::ProcessScrollBar(RECT rc, int cxRequired, int cyRequired) {
  // A bar shows only while the content exceeds the view; a change of its
  // visibility changes the inner rectangle, hence one more layout.
  bool relayout = false;
  if (verticalScrollBar_) {
    const int view = rc.bottom - rc.top;
    const bool needed = cyRequired > view;
    verticalScrollBar_->SetScrollRange(needed ? cyRequired - view : 0);
    if (needed) {
      const int width = verticalScrollBar_->GetFixedWidth();
      verticalScrollBar_->SetPos(RECT{rc.right, rc.top, rc.right + width, rc.bottom}, false);
    }
    if (verticalScrollBar_->IsVisible() != needed) {
      verticalScrollBar_->SetVisible(needed);
      relayout = true;
    }
  }
  if (horizontalScrollBar_) {
    const int view = rc.right - rc.left;
    const bool needed = cxRequired > view;
    horizontalScrollBar_->SetScrollRange(needed ? cxRequired - view : 0);
    if (needed) {
      const int height = horizontalScrollBar_->GetFixedHeight();
      horizontalScrollBar_->SetPos(RECT{rc.left, rc.bottom, rc.right, rc.bottom + height}, false);
    }
    if (horizontalScrollBar_->IsVisible() != needed) {
      horizontalScrollBar_->SetVisible(needed);
      relayout = true;
    }
  }
  if (relayout && !relayoutRunning_) {
    relayoutRunning_ = true;  // one more pass at most
    SetPos(itemRect_, false);
    relayoutRunning_ = false;
  }
}

// ---- Scrolling -------------------------------------------------------------

SIZE CContainerUI::GetScrollPos() const {
  SIZE pos = {0, 0};
  if (verticalScrollBar_ && verticalScrollBar_->IsVisible()) pos.cy = verticalScrollBar_->GetScrollPos();
  if (horizontalScrollBar_ && horizontalScrollBar_->IsVisible()) pos.cx = horizontalScrollBar_->GetScrollPos();
  return pos;
}

SIZE CContainerUI::GetScrollRange() const {
  SIZE range = {0, 0};
  if (verticalScrollBar_ && verticalScrollBar_->IsVisible()) range.cy = verticalScrollBar_->GetScrollRange();
  if (horizontalScrollBar_ && horizontalScrollBar_->IsVisible()) range.cx = horizontalScrollBar_->GetScrollRange();
  return range;
}

void CContainerUI::SetScrollPos(SIZE pos) {
  const SIZE before = GetScrollPos();
  if (verticalScrollBar_ && verticalScrollBar_->IsVisible()) verticalScrollBar_->SetScrollPos(pos.cy);
  if (horizontalScrollBar_ && horizontalScrollBar_->IsVisible()) horizontalScrollBar_->SetScrollPos(pos.cx);
  const SIZE after = GetScrollPos();
  if (before.cx == after.cx && before.cy == after.cy) return;
  // Shift the content instead of a full layout.
  const SIZE offset = {before.cx - after.cx, before.cy - after.cy};
  for (std::unique_ptr<CControlUI>& item : items_) {
    if (item->IsVisible() && !item->IsFloat()) item->Move(offset, false);
  }
  Invalidate();
}

namespace {

template <typename Bar>
int LineStep(Bar* bar) {
  if (bar) return bar->GetLineSize();
  return kDefaultLineSize;
}

}  // namespace

void CContainerUI::LineUp() {
  SIZE pos = GetScrollPos();
  pos.cy -= LineStep(verticalScrollBar_);
  SetScrollPos(pos);
}

void CContainerUI::LineDown() {
  SIZE pos = GetScrollPos();
  pos.cy += LineStep(verticalScrollBar_);
  SetScrollPos(pos);
}

void CContainerUI::PageUp() {
  SIZE pos = GetScrollPos();
  const RECT inner = InnerRect();
  pos.cy -= inner.bottom - inner.top;
  SetScrollPos(pos);
}

void CContainerUI::PageDown() {
  SIZE pos = GetScrollPos();
  const RECT inner = InnerRect();
  pos.cy += inner.bottom - inner.top;
  SetScrollPos(pos);
}

void CContainerUI::HomeUp() {
  SIZE pos = GetScrollPos();
  pos.cy = 0;
  SetScrollPos(pos);
}

void CContainerUI::EndDown() {
  SIZE pos = GetScrollPos();
  pos.cy = GetScrollRange().cy;
  SetScrollPos(pos);
}

void CContainerUI::LineLeft() {
  SIZE pos = GetScrollPos();
  pos.cx -= LineStep(horizontalScrollBar_);
  SetScrollPos(pos);
}

void CContainerUI::LineRight() {
  SIZE pos = GetScrollPos();
  pos.cx += LineStep(horizontalScrollBar_);
  SetScrollPos(pos);
}

void CContainerUI::PageLeft() {
  SIZE pos = GetScrollPos();
  const RECT inner = InnerRect();
  pos.cx -= inner.right - inner.left;
  SetScrollPos(pos);
}

void CContainerUI::PageRight() {
  SIZE pos = GetScrollPos();
  const RECT inner = InnerRect();
  pos.cx += inner.right - inner.left;
  SetScrollPos(pos);
}

void CContainerUI::HomeLeft() {
  SIZE pos = GetScrollPos();
  pos.cx = 0;
  SetScrollPos(pos);
}

void CContainerUI::EndRight() {
  SIZE pos = GetScrollPos();
  pos.cx = GetScrollRange().cx;
  SetScrollPos(pos);
}

void CContainerUI::EnableScrollBar(bool enableVertical, bool enableHorizontal) {
  if (enableVertical && !verticalScrollBar_) {
    verticalScrollBar_ = new CScrollBarUI;
    verticalScrollBar_->SetOwner(this);
    verticalScrollBar_->SetManager(manager_, this, false);
    if (manager_) {
      if (const wchar_t* list = manager_->GetDefaultAttributeList(L"VScrollBar")) {
        verticalScrollBar_->ApplyAttributeList(list);
      }
    }
  } else if (!enableVertical && verticalScrollBar_) {
    if (manager_) manager_->ReapObjects(verticalScrollBar_);
    delete verticalScrollBar_;
    verticalScrollBar_ = nullptr;
  }
  if (enableHorizontal && !horizontalScrollBar_) {
    horizontalScrollBar_ = new CScrollBarUI;
    horizontalScrollBar_->SetHorizontal(true);
    horizontalScrollBar_->SetOwner(this);
    horizontalScrollBar_->SetManager(manager_, this, false);
    if (manager_) {
      if (const wchar_t* list = manager_->GetDefaultAttributeList(L"HScrollBar")) {
        horizontalScrollBar_->ApplyAttributeList(list);
      }
    }
  } else if (!enableHorizontal && horizontalScrollBar_) {
    if (manager_) manager_->ReapObjects(horizontalScrollBar_);
    delete horizontalScrollBar_;
    horizontalScrollBar_ = nullptr;
  }
  NeedUpdate();
}

CScrollBarUI* CContainerUI::GetVerticalScrollBar() const {
  return verticalScrollBar_;
}

CScrollBarUI* CContainerUI::GetHorizontalScrollBar() const {
  return horizontalScrollBar_;
}

// ---- Events ----------------------------------------------------------------

void CContainerUI::DoEvent(ControlEventUI& event) {
  CControlUI* vertical = VisibleVerticalBar();
  CControlUI* horizontal = VisibleHorizontalBar();
  const bool verticalUsable = vertical && vertical->IsEnabled();
  const bool horizontalUsable = horizontal && horizontal->IsEnabled();
  if (event.type == UIEVENT_SCROLLWHEEL) {
    const bool down = LOWORD(event.wParam) == SB_LINEDOWN;
    if (horizontalUsable && ::PtInRect(&horizontal->GetPos(), event.mouse)) {
      down ? LineRight() : LineLeft();
      return;
    }
    if (verticalUsable) {
      down ? LineDown() : LineUp();
      return;
    }
  }
  if (event.type == UIEVENT_KEYDOWN && IsEnabled() && (verticalUsable || horizontalUsable)) {
    const bool v = verticalUsable;
    switch (event.key) {
      case VK_PRIOR:
        v ? PageUp() : PageLeft();
        return;
      case VK_NEXT:
        v ? PageDown() : PageRight();
        return;
      case VK_END:
        v ? EndDown() : EndRight();
        return;
      case VK_HOME:
        v ? HomeUp() : HomeLeft();
        return;
      case VK_UP:
        v ? LineUp() : LineLeft();
        return;
      case VK_DOWN:
        v ? LineDown() : LineRight();
        return;
      default:
        break;
    }
  }
  CControlUI::DoEvent(event);
}

// ---- Attributes ------------------------------------------------------------

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  static const AttributeHandler<CContainerUI> kTable[] = {
      {L"inset", [](CContainerUI& c, const wchar_t* v) { c.SetInset(ParseRect(v)); }},
      {L"childpadding", [](CContainerUI& c, const wchar_t* v) { c.SetChildPadding(ParseInt(v)); }},
      {L"childalign",
       [](CContainerUI& c, const wchar_t* v) {
         if (std::wcscmp(v, L"left") == 0) c.SetChildAlign(UIALIGN_LEFT);
         if (std::wcscmp(v, L"center") == 0) c.SetChildAlign(UIALIGN_CENTER);
         if (std::wcscmp(v, L"right") == 0) c.SetChildAlign(UIALIGN_RIGHT);
       }},
      {L"childvalign",
       [](CContainerUI& c, const wchar_t* v) {
         if (std::wcscmp(v, L"top") == 0) c.SetChildVAlign(UIVALIGN_TOP);
         if (std::wcscmp(v, L"vcenter") == 0) c.SetChildVAlign(UIVALIGN_VCENTER);
         if (std::wcscmp(v, L"bottom") == 0) c.SetChildVAlign(UIVALIGN_BOTTOM);
       }},
      {L"vscrollbar", [](CContainerUI& c,
                         const wchar_t* v) { c.EnableScrollBar(ParseBool(v), c.GetHorizontalScrollBar() != nullptr); }},
      {L"hscrollbar",
       [](CContainerUI& c, const wchar_t* v) { c.EnableScrollBar(c.GetVerticalScrollBar() != nullptr, ParseBool(v)); }},
      {L"vscrollbarstyle",
       [](CContainerUI& c, const wchar_t* v) {
         c.EnableScrollBar(true, c.GetHorizontalScrollBar() != nullptr);
         if (CControlUI* bar = c.GetVerticalScrollBar()) bar->ApplyAttributeList(v);
       }},
      {L"hscrollbarstyle",
       [](CContainerUI& c, const wchar_t* v) {
         c.EnableScrollBar(c.GetVerticalScrollBar() != nullptr, true);
         if (CControlUI* bar = c.GetHorizontalScrollBar()) bar->ApplyAttributeList(v);
       }},
      {L"mousechild", [](CContainerUI& c, const wchar_t* v) { c.SetMouseChildEnabled(ParseBool(v)); }},
  };
  if (!name || !value) return;
  if (!ApplyAttribute(kTable, *this, name, value)) CControlUI::SetAttribute(name, value);
}

// ---- Hit testing -------------------------------------------------------------

CControlUI* CContainerUI::FindControl(FindControlProc proc, void* data, UINT flags) {
  if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  const bool hitTest = (flags & UIFIND_HITTEST) != 0;
  if (hitTest && !::PtInRect(&itemRect_, *static_cast<const POINT*>(data))) return nullptr;
  if ((flags & UIFIND_UPDATETEST) && proc(this, data) != nullptr) return nullptr;

  if ((flags & UIFIND_ME_FIRST) && (!hitTest || mouseEnabled_)) {
    if (CControlUI* self = proc(this, data)) return self;
  }
  if (cover_) {
    if (CControlUI* found = cover_->FindControl(proc, data, flags)) return found;
  }
  if (CControlUI* bar = verticalScrollBar_) {
    if (CControlUI* found = bar->FindControl(proc, data, flags)) return found;
  }
  if (CControlUI* bar = horizontalScrollBar_) {
    if (CControlUI* found = bar->FindControl(proc, data, flags)) return found;
  }
  if (!hitTest || mouseChildEnabled_) {
    const RECT inner = InnerRect();
    const bool topFirst = (flags & UIFIND_TOP_FIRST) != 0;
    const int count = GetCount();
    for (int n = 0; n < count; ++n) {
      CControlUI* child = items_[topFirst ? count - 1 - n : n].get();
      CControlUI* found = child->FindControl(proc, data, flags);
      if (!found) continue;
      // A point in the inset or under a bar belongs to the container.
      if (!hitTest || found->IsFloat() || ::PtInRect(&inner, *static_cast<const POINT*>(data))) return found;
    }
  }
  if ((flags & UIFIND_ME_FIRST) || (hitTest && !mouseEnabled_)) return nullptr;
  return proc(this, data);
}

// ---- Painting --------------------------------------------------------------

bool CContainerUI::DoPaint(HDC dc, const RECT& rcPaint, CControlUI* stop) {
  RECT visible;
  if (!::IntersectRect(&visible, &rcPaint, &itemRect_)) return true;
  ClipScope clip(dc, visible);
  if (!CControlUI::DoPaint(dc, rcPaint, stop)) return false;

  if (!items_.empty()) {
    const RECT inner = InnerRect();
    RECT innerPaint;
    const bool innerVisible = ::IntersectRect(&innerPaint, &rcPaint, &inner) != FALSE;
    for (std::unique_ptr<CControlUI>& item : items_) {
      CControlUI* child = item.get();
      if (child == stop) return false;
      if (!child->IsVisible()) continue;
      RECT meet;
      if (child->IsFloat()) {
        if (!::IntersectRect(&meet, &itemRect_, &child->GetPos())) continue;
        if (!child->Paint(dc, rcPaint, stop)) return false;
        continue;
      }
      if (!innerVisible || !::IntersectRect(&meet, &innerPaint, &child->GetPos())) continue;
      ClipScope childClip(dc, inner);
      if (!child->Paint(dc, rcPaint, stop)) return false;
    }
  }

  for (CControlUI* bar : {VisibleVerticalBar(), VisibleHorizontalBar()}) {
    if (!bar) continue;
    if (bar == stop) return false;
    RECT meet;
    if (::IntersectRect(&meet, &rcPaint, &bar->GetPos()) && !bar->Paint(dc, rcPaint, stop)) return false;
  }
  return true;
}

}  // namespace DuiLib
