#include "duilib/control/CScrollBarUI.h"

#include <algorithm>
#include <cwchar>

#include "duilib/control/AttributeHandler.h"
#include "duilib/core/AttributeText.h"
#include "duilib/core/CRenderEngine.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/layout/CContainerUI.h"

namespace DuiLib {

namespace {

constexpr int kDefaultThickness = 16;

bool IsEmptyRect(const RECT& rc) {
  return rc.right <= rc.left || rc.bottom <= rc.top;
}

// (a * b) / c without the overflow that large ranges would give in 32 bits.
int MulDivFloor(long long a, long long b, long long c) {
  return c == 0 ? 0 : static_cast<int>(a * b / c);
}

using Part = CScrollBarUI::Part;
using State = CScrollBarUI::ImageState;

template <Part P, State S>
void SetImage(CScrollBarUI& bar, const wchar_t* value) {
  bar.SetPartImage(P, S, value);
}
template <Part P>
void SetColor(CScrollBarUI& bar, const wchar_t* value) {
  bar.SetPartColor(P, ParseColor(value));
}

const AttributeHandler<CScrollBarUI> kAttributes[] = {
    {L"button1color", SetColor<Part::Button1>},
    {L"button1normalimage", SetImage<Part::Button1, State::Normal>},
    {L"button1hotimage", SetImage<Part::Button1, State::Hot>},
    {L"button1pushedimage", SetImage<Part::Button1, State::Pushed>},
    {L"button1disabledimage", SetImage<Part::Button1, State::Disabled>},
    {L"button2color", SetColor<Part::Button2>},
    {L"button2normalimage", SetImage<Part::Button2, State::Normal>},
    {L"button2hotimage", SetImage<Part::Button2, State::Hot>},
    {L"button2pushedimage", SetImage<Part::Button2, State::Pushed>},
    {L"button2disabledimage", SetImage<Part::Button2, State::Disabled>},
    {L"thumbcolor", SetColor<Part::Thumb>},
    {L"thumbnormalimage", SetImage<Part::Thumb, State::Normal>},
    {L"thumbhotimage", SetImage<Part::Thumb, State::Hot>},
    {L"thumbpushedimage", SetImage<Part::Thumb, State::Pushed>},
    {L"thumbdisabledimage", SetImage<Part::Thumb, State::Disabled>},
    {L"railnormalimage", SetImage<Part::Rail, State::Normal>},
    {L"railhotimage", SetImage<Part::Rail, State::Hot>},
    {L"railpushedimage", SetImage<Part::Rail, State::Pushed>},
    {L"raildisabledimage", SetImage<Part::Rail, State::Disabled>},
    {L"bknormalimage", SetImage<Part::Background, State::Normal>},
    {L"bkhotimage", SetImage<Part::Background, State::Hot>},
    {L"bkpushedimage", SetImage<Part::Background, State::Pushed>},
    {L"bkdisabledimage", SetImage<Part::Background, State::Disabled>},
    {L"hor", [](CScrollBarUI& bar, const wchar_t* value) { bar.SetHorizontal(ParseBool(value)); }},
    {L"linesize", [](CScrollBarUI& bar, const wchar_t* value) { bar.SetLineSize(ParseInt(value)); }},
    {L"range", [](CScrollBarUI& bar, const wchar_t* value) { bar.SetScrollRange(ParseInt(value)); }},
    {L"value", [](CScrollBarUI& bar, const wchar_t* value) { bar.SetScrollPos(ParseInt(value)); }},
    {L"scrollunit", [](CScrollBarUI& bar, const wchar_t* value) { bar.SetScrollUnit(ParseInt(value)); }},
    {L"showbutton1", [](CScrollBarUI& bar, const wchar_t* value) { bar.SetShowButton1(ParseBool(value)); }},
    {L"showbutton2", [](CScrollBarUI& bar, const wchar_t* value) { bar.SetShowButton2(ParseBool(value)); }},
};

}  // namespace

CScrollBarUI::Parts CScrollBarUI::LayoutParts(const RECT& bar, bool horizontal, int thickness, int range, int pos,
                                              bool showButton1, bool showButton2) {
  // Worked out for a vertical bar in (along, across) co-ordinates; a
  // horizontal bar is the same with x and y exchanged.
  const LONG a0 = horizontal ? bar.left : bar.top;
  const LONG a1 = horizontal ? bar.right : bar.bottom;
  const LONG c0 = horizontal ? bar.top : bar.left;
  const int length = a1 - a0;
  int size = thickness;
  int track = length;
  if (showButton1) track -= size;
  if (showButton2) track -= size;

  struct Span {
    LONG from, to, across0, across1;
  };
  auto toRect = [&](const Span& s) {
    return horizontal ? RECT{s.from, s.across0, s.to, s.across1} : RECT{s.across0, s.from, s.across1, s.to};
  };
  const bool room = size < track;
  if (!room) size = std::min(size, length / 2);
  const Span b1 = showButton1 ? Span{a0, a0 + size, c0, c0 + size} : Span{a0, a0, c0, c0};
  const Span b2 = showButton2 ? Span{a1 - size, a1, c0, c0 + size} : Span{a1, a1, c0, c0};
  Parts parts;
  parts.button1 = toRect(b1);
  parts.button2 = toRect(b2);
  if (!room) return parts;

  Span thumb{b1.to, b2.from, c0, c0 + size};
  if (range > 0) {
    const int clamped = std::clamp(pos, 0, range);
    const int thumbLength = std::max(MulDivFloor(length, track, static_cast<long long>(length) + range), size);
    thumb.from = MulDivFloor(track - thumbLength, clamped, range) + b1.to;
    thumb.to = thumb.from + thumbLength;
    if (thumb.to > b2.from) {
      thumb.to = b2.from;
      thumb.from = b2.from - thumbLength;
    }
  }
  parts.thumb = toRect(thumb);
  return parts;
}

CScrollBarUI::CScrollBarUI() {
  fixedSize_.cx = kDefaultThickness;
}

CScrollBarUI::~CScrollBarUI() = default;

const wchar_t* CScrollBarUI::GetClass() const {
  return L"ScrollBar";
}

void* CScrollBarUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wcscmp(name, L"ScrollBar") == 0) return this;
  return CControlUI::GetInterface(name);
}

CContainerUI* CScrollBarUI::GetOwner() const {
  return owner_;
}
void CScrollBarUI::SetOwner(CContainerUI* owner) {
  owner_ = owner;
}

bool CScrollBarUI::IsHorizontal() const {
  return horizontal_;
}

void CScrollBarUI::SetHorizontal(bool horizontal) {
  if (horizontal_ == horizontal) return;
  horizontal_ = horizontal;
  if (horizontal_) {
    if (fixedSize_.cy == 0) {
      fixedSize_.cy = fixedSize_.cx;
      fixedSize_.cx = 0;
    }
  } else if (fixedSize_.cx == 0) {
    fixedSize_.cx = fixedSize_.cy;
    fixedSize_.cy = 0;
  }
  NeedParentUpdate();
}

int CScrollBarUI::GetScrollRange() const {
  return range_;
}

void CScrollBarUI::SetScrollRange(int range) {
  range = std::max(range, 0);
  if (range_ == range) return;
  range_ = range;
  pos_ = std::min(pos_, range_);
  LayoutPartsNow();
  Invalidate();
}

int CScrollBarUI::GetScrollPos() const {
  return pos_;
}

void CScrollBarUI::SetScrollPos(int pos, bool triggerEvent) {
  pos = std::max(pos, 0);
  if (scrollUnit_ > 1) {
    const int remainder = pos % scrollUnit_;
    pos -= remainder;
    if (remainder * 2 >= scrollUnit_) pos += scrollUnit_;
  }
  pos = std::min(pos, range_);
  if (pos == pos_) return;
  const int old = pos_;
  pos_ = pos;
  LayoutPartsNow();
  Invalidate();
  if (triggerEvent && manager_ != nullptr) {
    manager_->SendNotify(this, L"scroll", static_cast<WPARAM>(pos_), static_cast<LPARAM>(old), true, false);
  }
}

int CScrollBarUI::GetLineSize() const {
  return lineSize_;
}
void CScrollBarUI::SetLineSize(int size) {
  if (size >= 0) lineSize_ = size;
}
int CScrollBarUI::GetScrollUnit() const {
  return scrollUnit_;
}
void CScrollBarUI::SetScrollUnit(int unit) {
  if (unit >= 0) scrollUnit_ = unit;
}
int CScrollBarUI::GetScrollStepSize() const {
  return scrollUnit_ > 1 ? scrollUnit_ : lineSize_;
}

bool CScrollBarUI::GetShowButton1() const {
  return showButton1_;
}
void CScrollBarUI::SetShowButton1(bool show) {
  showButton1_ = show;
  LayoutPartsNow();
  Invalidate();
}
bool CScrollBarUI::GetShowButton2() const {
  return showButton2_;
}
void CScrollBarUI::SetShowButton2(bool show) {
  showButton2_ = show;
  LayoutPartsNow();
  Invalidate();
}

DWORD CScrollBarUI::GetPartColor(Part part) const {
  switch (part) {
    case Part::Button1:
      return button1Color_;
    case Part::Button2:
      return button2Color_;
    case Part::Thumb:
      return thumbColor_;
    default:
      return 0;
  }
}

void CScrollBarUI::SetPartColor(Part part, DWORD color) {
  switch (part) {
    case Part::Button1:
      button1Color_ = color;
      break;
    case Part::Button2:
      button2Color_ = color;
      break;
    case Part::Thumb:
      thumbColor_ = color;
      break;
    default:
      return;
  }
  Invalidate();
}

const std::wstring& CScrollBarUI::GetPartImage(Part part, ImageState state) const {
  return images_[static_cast<int>(part)][static_cast<int>(state)].drawString;
}

void CScrollBarUI::SetPartImage(Part part, ImageState state, const std::wstring& image) {
  if (images_[static_cast<int>(part)][static_cast<int>(state)].SetDrawString(image)) Invalidate();
}

const CScrollBarUI::Parts& CScrollBarUI::GetParts() const {
  return parts_;
}

UINT CScrollBarUI::GetPartState(Part part) const {
  switch (part) {
    case Part::Button1:
      return button1State_;
    case Part::Button2:
      return button2State_;
    default:
      return thumbState_;
  }
}

void CScrollBarUI::SetVisible(bool visible) {
  // The owner lays its bars out itself: no parent update, and a hidden bar
  // must not keep the focus.
  if (visible_ == visible) return;
  visible_ = visible;
  if (focused_) focused_ = false;
}

void CScrollBarUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (!IsEnabled()) {
    button1State_ = 0;
    button2State_ = 0;
    thumbState_ = 0;
  }
}

void CScrollBarUI::SetPos(RECT rc, bool needInvalidate) {
  CControlUI::SetPos(rc, needInvalidate);
  LayoutPartsNow();
}

void CScrollBarUI::LayoutPartsNow() {
  parts_ = LayoutParts(itemRect_, horizontal_, Thickness(), range_, pos_, showButton1_, showButton2_);
}

int CScrollBarUI::Length() const {
  return horizontal_ ? itemRect_.right - itemRect_.left : itemRect_.bottom - itemRect_.top;
}
int CScrollBarUI::Thickness() const {
  return horizontal_ ? fixedSize_.cy : fixedSize_.cx;
}
LONG CScrollBarUI::Along(POINT pt) const {
  return horizontal_ ? pt.x : pt.y;
}
LONG CScrollBarUI::Start(const RECT& rc) const {
  return horizontal_ ? rc.left : rc.top;
}
LONG CScrollBarUI::End(const RECT& rc) const {
  return horizontal_ ? rc.right : rc.bottom;
}

void CScrollBarUI::StepLine(bool forward) {
  if (owner_ == nullptr) {
    SetScrollPos(pos_ + (forward ? GetScrollStepSize() : -GetScrollStepSize()));
  } else if (horizontal_) {
    forward ? owner_->LineRight() : owner_->LineLeft();
  } else {
    forward ? owner_->LineDown() : owner_->LineUp();
  }
}

void CScrollBarUI::StepPage(bool forward) {
  if (owner_ == nullptr) {
    SetScrollPos(pos_ + (forward ? Length() : -Length()));
  } else if (horizontal_) {
    forward ? owner_->PageRight() : owner_->PageLeft();
  } else {
    forward ? owner_->PageDown() : owner_->PageUp();
  }
}

void CScrollBarUI::ApplyDrag() {
  const int target = dragStartPos_ + dragOffset_;
  if (owner_ == nullptr) {
    SetScrollPos(target);
    return;
  }
  SIZE pos = owner_->GetScrollPos();
  (horizontal_ ? pos.cx : pos.cy) = target;
  owner_->SetScrollPos(pos);
}

void CScrollBarUI::ForwardToOwner(ControlEventUI& event) {
  if (owner_ != nullptr) {
    owner_->DoEvent(event);
  } else {
    CControlUI::DoEvent(event);
  }
}

void CScrollBarUI::DoEvent(ControlEventUI& event) {
  if (!IsEnabled() && IsMouseEvent(event.type)) {
    ForwardToOwner(event);
    return;
  }
  switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
      return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (IsEnabled()) OnPress(event.mouse);
      return;
    case UIEVENT_BUTTONUP:
      OnRelease();
      return;
    case UIEVENT_MOUSEMOVE:
      OnMouseMove(event.mouse);
      return;
    case UIEVENT_TIMER:
      if (event.wParam != kRepeatTimerId) break;
      OnRepeat();
      return;
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
      OnHover(event.type == UIEVENT_MOUSEENTER, event.mouse);
      ForwardToOwner(event);
      return;
    default:
      break;
  }
  CControlUI::DoEvent(event);
}

void CScrollBarUI::OnPress(POINT pt) {
  dragOffset_ = 0;
  ticks_ = 0;
  if (manager_ != nullptr) manager_->SetTimer(this, kRepeatTimerId, kRepeatPeriodMs);
  if (::PtInRect(&parts_.button1, pt)) {
    button1State_ |= UISTATE_PUSHED;
    StepLine(false);
  } else if (::PtInRect(&parts_.button2, pt)) {
    button2State_ |= UISTATE_PUSHED;
    StepLine(true);
  } else if (::PtInRect(&parts_.thumb, pt)) {
    thumbState_ |= UISTATE_CAPTURED | UISTATE_PUSHED;
    dragStart_ = pt;
    dragStartPos_ = pos_;
  } else if (!IsEmptyRect(parts_.thumb)) {
    PageTowards(pt);
  }
  Invalidate();
}

void CScrollBarUI::PageTowards(POINT pt) {
  if (Along(pt) < Start(parts_.thumb)) {
    StepPage(false);
  } else if (Along(pt) >= End(parts_.thumb)) {
    StepPage(true);
  }
}

void CScrollBarUI::OnRelease() {
  ticks_ = 0;
  dragOffset_ = 0;
  if (manager_ != nullptr) manager_->KillTimer(this, kRepeatTimerId);
  if (thumbState_ & UISTATE_CAPTURED) {
    thumbState_ &= ~(UISTATE_CAPTURED | UISTATE_PUSHED);
    Invalidate();
  } else if (button1State_ & UISTATE_PUSHED) {
    button1State_ &= ~UISTATE_PUSHED;
    Invalidate();
  } else if (button2State_ & UISTATE_PUSHED) {
    button2State_ &= ~UISTATE_PUSHED;
    Invalidate();
  }
}

void CScrollBarUI::OnMouseMove(POINT pt) {
  if (thumbState_ & UISTATE_CAPTURED) {
    int usable = Length() - (End(parts_.thumb) - Start(parts_.thumb));
    if (showButton1_) usable -= Thickness();
    if (showButton2_) usable -= Thickness();
    if (usable == 0) return;
    dragOffset_ = MulDivFloor(Along(pt) - Along(dragStart_), range_, usable);
    return;
  }
  if (!IsEnabled()) return;
  const bool hot = ::PtInRect(&parts_.thumb, pt) != FALSE;
  const bool wasHot = (thumbState_ & UISTATE_HOT) != 0;
  if (hot != wasHot) {
    thumbState_ = hot ? (thumbState_ | UISTATE_HOT) : (thumbState_ & ~UISTATE_HOT);
    Invalidate();
  }
}

void CScrollBarUI::OnRepeat() {
  ++ticks_;
  if (thumbState_ & UISTATE_CAPTURED) {
    ApplyDrag();
    Invalidate();
    return;
  }
  if (ticks_ <= kRepeatDelayTicks) return;
  if (button1State_ & UISTATE_PUSHED) {
    StepLine(false);
  } else if (button2State_ & UISTATE_PUSHED) {
    StepLine(true);
  } else if (manager_ != nullptr && !IsEmptyRect(parts_.thumb)) {
    // Holding the track keeps paging towards the mouse until the thumb
    // has reached it.
    POINT pt;
    ::GetCursorPos(&pt);
    ::ScreenToClient(manager_->GetPaintWindow(), &pt);
    PageTowards(pt);
  }
}

void CScrollBarUI::OnHover(bool enter, POINT pt) {
  if (!IsEnabled() || (::PtInRect(&itemRect_, pt) != FALSE) != enter) return;
  if (enter) {
    button1State_ |= UISTATE_HOT;
    button2State_ |= UISTATE_HOT;
    if (::PtInRect(&parts_.thumb, pt)) thumbState_ |= UISTATE_HOT;
  } else {
    button1State_ &= ~UISTATE_HOT;
    button2State_ &= ~UISTATE_HOT;
    thumbState_ &= ~UISTATE_HOT;
  }
  Invalidate();
}

void CScrollBarUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (!ApplyAttribute(kAttributes, *this, name, value)) CControlUI::SetAttribute(name, value);
}

bool CScrollBarUI::DoPaint(HDC dc, const RECT& /*rcPaint*/, CControlUI* /*stop*/) {
  PaintBkColor(dc);
  PaintBkImage(dc);
  PaintStatusImage(dc);
  PaintBorder(dc);
  return true;
}

void CScrollBarUI::PaintPart(HDC dc, Part part, const RECT& rc, UINT state) {
  TDrawInfo* images = images_[static_cast<int>(part)];
  const DWORD color = GetPartColor(part);
  if (color != 0) {
    RECT fill;
    if (::IntersectRect(&fill, &rc, &paintRect_)) CRenderEngine::DrawColor(dc, fill, color);
  }
  TDrawInfo* chosen = nullptr;
  if (!IsEnabled()) {
    chosen = &images[static_cast<int>(State::Disabled)];
  } else if (state & UISTATE_PUSHED) {
    chosen = &images[static_cast<int>(State::Pushed)];
  } else if (state & UISTATE_HOT) {
    chosen = &images[static_cast<int>(State::Hot)];
  }
  if (chosen != nullptr && !chosen->drawString.empty() &&
      CRenderEngine::DrawImageInfo(dc, manager_, rc, paintRect_, *chosen)) {
    return;
  }
  TDrawInfo& normal = images[static_cast<int>(State::Normal)];
  if (!normal.drawString.empty()) CRenderEngine::DrawImageInfo(dc, manager_, rc, paintRect_, normal);
}

void CScrollBarUI::PaintStatusImage(HDC dc) {
  // The bar's own background, without a colour of its own.
  {
    TDrawInfo* images = images_[static_cast<int>(Part::Background)];
    TDrawInfo* chosen = nullptr;
    if (!IsEnabled()) {
      chosen = &images[static_cast<int>(State::Disabled)];
    } else if (thumbState_ & UISTATE_PUSHED) {
      chosen = &images[static_cast<int>(State::Pushed)];
    } else if (thumbState_ & UISTATE_HOT) {
      chosen = &images[static_cast<int>(State::Hot)];
    }
    if (chosen == nullptr || chosen->drawString.empty() || !DrawImage(dc, *chosen)) {
      TDrawInfo& normal = images[static_cast<int>(State::Normal)];
      if (!normal.drawString.empty()) DrawImage(dc, normal);
    }
  }
  if (showButton1_) PaintPart(dc, Part::Button1, parts_.button1, button1State_);
  if (showButton2_) PaintPart(dc, Part::Button2, parts_.button2, button2State_);
  if (IsEmptyRect(parts_.thumb)) return;
  PaintPart(dc, Part::Thumb, parts_.thumb, thumbState_);
  // The rail: a square of the bar's thickness centred on the thumb.
  const int size = Thickness();
  const LONG cx = (parts_.thumb.left + parts_.thumb.right) / 2;
  const LONG cy = (parts_.thumb.top + parts_.thumb.bottom) / 2;
  const RECT rail = {cx - size / 2, cy - size / 2, cx - size / 2 + size, cy - size / 2 + size};
  PaintPart(dc, Part::Rail, rail, thumbState_);
}

}  // namespace DuiLib
