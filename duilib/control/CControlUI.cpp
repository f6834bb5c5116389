#include "duilib/control/CControlUI.h"

#include <cwchar>
#include <cwctype>

#include "duilib/control/AttributeHandler.h"
#include "duilib/control/ClipScope.h"
#include "duilib/core/AttributeText.h"
#include "duilib/core/CRenderEngine.h"
#include "duilib/core/CWindowHostUI.h"

namespace DuiLib {
namespace {

bool IsOpaque(DWORD color) {
  return (color & 0xFF000000) == 0xFF000000;
}

}  // namespace

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  // The host must not keep pointers to a dead control (focus, hover,
  // timers, queued notifications).
  if (manager_) manager_->ReapObjects(this);
}

// ---- Identity --------------------------------------------------------------

const std::wstring& CControlUI::GetName() const {
  return name_;
}

void CControlUI::SetName(const std::wstring& name) {
  name_ = name;
}

const wchar_t* CControlUI::GetClass() const {
  return L"Control";
}

void* CControlUI::GetInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Control") == 0) return this;
  return nullptr;
}

UINT CControlUI::GetControlFlags() const {
  return 0;
}

bool CControlUI::Activate() {
  return IsVisible() && IsEnabled();
}

CWindowHostUI* CControlUI::GetManager() const {
  return manager_;
}

void CControlUI::SetManager(CWindowHostUI* manager, CControlUI* parent, bool init) {
  if (cover_) cover_->SetManager(manager, this, init);
  manager_ = manager;
  parent_ = parent;
  if (init) Init();
}

CControlUI* CControlUI::GetParent() const {
  return parent_;
}

CControlUI* CControlUI::GetCover() const {
  return cover_.get();
}

void CControlUI::SetCover(CControlUI* cover) {
  if (cover_.get() == cover) return;
  cover_.reset(cover);
  if (cover_) cover_->SetManager(manager_, this, manager_ != nullptr);
  NeedUpdate();
}

const std::wstring& CControlUI::GetText() const {
  return text_;
}

void CControlUI::SetText(const std::wstring& text) {
  if (text_ == text) return;
  text_ = text;
  Invalidate();
}

// ---- Geometry --------------------------------------------------------------

const RECT& CControlUI::GetPos() const {
  return itemRect_;
}

void CControlUI::SetPos(RECT rc, bool needInvalidate) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;

  RECT invalidateRc = itemRect_;
  if (::IsRectEmpty(&invalidateRc)) invalidateRc = rc;

  if (float_ && parent_) {
    // `rc` is relative to the parent; keep the fixed values in step so that
    // the next layout pass puts the control at the same place.
    const RECT parentRc = parent_->GetPos();
    const int width = parentRc.right - parentRc.left;
    const int height = parentRc.bottom - parentRc.top;
    itemRect_ = rc;
    ::OffsetRect(&itemRect_, parentRc.left, parentRc.top);
    fixedXY_.cx = rc.left - static_cast<int>(floatPercent_.left * width);
    fixedXY_.cy = rc.top - static_cast<int>(floatPercent_.top * height);
    fixedSize_.cx = rc.right - fixedXY_.cx - static_cast<int>(floatPercent_.right * width);
    fixedSize_.cy = rc.bottom - fixedXY_.cy - static_cast<int>(floatPercent_.bottom * height);
  } else {
    itemRect_ = rc;
  }

  if (!manager_) return;
  updateNeeded_ = false;

  if (needInvalidate && IsVisible()) {
    ::UnionRect(&invalidateRc, &invalidateRc, &itemRect_);
    for (CControlUI* ancestor = parent_; ancestor; ancestor = ancestor->GetParent()) {
      if (!ancestor->IsVisible()) return;
      if (!::IntersectRect(&invalidateRc, &invalidateRc, &ancestor->GetPos())) return;
    }
    manager_->Invalidate(invalidateRc);
  }
}

void CControlUI::Move(SIZE offset, bool needInvalidate) {
  RECT invalidateRc = itemRect_;
  ::OffsetRect(&itemRect_, offset.cx, offset.cy);
  if (needInvalidate && manager_ && IsVisible()) {
    ::UnionRect(&invalidateRc, &invalidateRc, &itemRect_);
    manager_->Invalidate(invalidateRc);
  }
}

int CControlUI::GetWidth() const {
  return itemRect_.right - itemRect_.left;
}

int CControlUI::GetHeight() const {
  return itemRect_.bottom - itemRect_.top;
}

int CControlUI::GetX() const {
  return itemRect_.left;
}

int CControlUI::GetY() const {
  return itemRect_.top;
}

RECT CControlUI::GetPadding() const {
  return padding_;
}

void CControlUI::SetPadding(RECT padding) {
  padding_ = padding;
  NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const {
  return fixedXY_;
}

void CControlUI::SetFixedXY(SIZE xy) {
  fixedXY_ = xy;
  NeedParentUpdate();
}

TPercentInfo CControlUI::GetFloatPercent() const {
  return floatPercent_;
}

void CControlUI::SetFloatPercent(TPercentInfo percent) {
  floatPercent_ = percent;
  NeedParentUpdate();
}

int CControlUI::GetFixedWidth() const {
  return fixedSize_.cx;
}

void CControlUI::SetFixedWidth(int cx) {
  // An unchanged size asks for no layout: the progress bar gets many
  // messages that leave its width as it is.
  if (cx < 0 || fixedSize_.cx == cx) return;
  fixedSize_.cx = cx;
  NeedParentUpdate();
}

int CControlUI::GetFixedHeight() const {
  return fixedSize_.cy;
}

void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0 || fixedSize_.cy == cy) return;
  fixedSize_.cy = cy;
  NeedParentUpdate();
}

int CControlUI::GetMinWidth() const {
  return minSize_.cx;
}

void CControlUI::SetMinWidth(int cx) {
  if (cx < 0 || minSize_.cx == cx) return;
  minSize_.cx = cx;
  NeedParentUpdate();
}

int CControlUI::GetMaxWidth() const {
  return maxSize_.cx < minSize_.cx ? minSize_.cx : maxSize_.cx;
}

void CControlUI::SetMaxWidth(int cx) {
  if (cx < 0 || maxSize_.cx == cx) return;
  maxSize_.cx = cx;
  NeedParentUpdate();
}

int CControlUI::GetMinHeight() const {
  return minSize_.cy;
}

void CControlUI::SetMinHeight(int cy) {
  if (cy < 0 || minSize_.cy == cy) return;
  minSize_.cy = cy;
  NeedParentUpdate();
}

int CControlUI::GetMaxHeight() const {
  return maxSize_.cy < minSize_.cy ? minSize_.cy : maxSize_.cy;
}

void CControlUI::SetMaxHeight(int cy) {
  if (cy < 0 || maxSize_.cy == cy) return;
  maxSize_.cy = cy;
  NeedParentUpdate();
}

// ---- Plain properties ------------------------------------------------------

const std::wstring& CControlUI::GetToolTip() const {
  return toolTip_;
}

void CControlUI::SetToolTip(const std::wstring& text) {
  toolTip_ = text;
}

void CControlUI::SetToolTipWidth(int width) {
  toolTipWidth_ = width;
}

int CControlUI::GetToolTipWidth() const {
  return toolTipWidth_;
}

wchar_t CControlUI::GetShortcut() const {
  return shortcut_;
}

void CControlUI::SetShortcut(wchar_t ch) {
  shortcut_ = ch;
}

bool CControlUI::IsContextMenuUsed() const {
  return menuUsed_;
}

void CControlUI::SetContextMenuUsed(bool used) {
  menuUsed_ = used;
}

const std::wstring& CControlUI::GetUserData() const {
  return userData_;
}

void CControlUI::SetUserData(const std::wstring& text) {
  userData_ = text;
}

// ---- Visibility and input --------------------------------------------------

bool CControlUI::IsVisible() const {
  // internVisible_ carries the ancestors' visibility (containers push it).
  return visible_ && internVisible_;
}

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  const bool wasVisible = IsVisible();
  visible_ = visible;
  if (focused_) focused_ = false;
  if (!visible && manager_ && manager_->GetFocus() == this) manager_->SetFocus(nullptr);
  if (IsVisible() != wasVisible) NeedParentUpdate();
  if (cover_) cover_->SetInternVisible(IsVisible());
}

void CControlUI::SetInternVisible(bool visible) {
  internVisible_ = visible;
  if (!visible && manager_ && manager_->GetFocus() == this) manager_->SetFocus(nullptr);
  if (cover_) cover_->SetInternVisible(IsVisible());
}

bool CControlUI::IsEnabled() const {
  return enabled_;
}

void CControlUI::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

bool CControlUI::IsMouseEnabled() const {
  return mouseEnabled_;
}

void CControlUI::SetMouseEnabled(bool enabled) {
  mouseEnabled_ = enabled;
}

bool CControlUI::IsKeyboardEnabled() const {
  return keyboardEnabled_;
}

void CControlUI::SetKeyboardEnabled(bool enabled) {
  keyboardEnabled_ = enabled;
}

bool CControlUI::IsFocused() const {
  return focused_;
}

void CControlUI::SetFocus() {
  if (manager_) manager_->SetFocus(this);
}

bool CControlUI::IsFloat() const {
  return float_;
}

void CControlUI::SetFloat(bool isFloat) {
  if (float_ == isFloat) return;
  float_ = isFloat;
  NeedParentUpdate();
}

// ---- Searching -------------------------------------------------------------

CControlUI* CControlUI::FindControl(FindControlProc proc, void* data, UINT flags) {
  if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  const bool hitTest = (flags & UIFIND_HITTEST) != 0;
  if (hitTest && !::PtInRect(&itemRect_, *static_cast<const POINT*>(data))) return nullptr;
  if ((flags & UIFIND_UPDATETEST) && proc(this, data) != nullptr) return nullptr;
  if (cover_) {
    if (CControlUI* found = cover_->FindControl(proc, data, flags)) return found;
  }
  if (hitTest && !mouseEnabled_) return nullptr;
  return proc(this, data);
}

// ---- Updates ---------------------------------------------------------------

void CControlUI::Invalidate() {
  if (!manager_ || !IsVisible()) return;
  RECT rc = itemRect_;
  for (CControlUI* ancestor = parent_; ancestor; ancestor = ancestor->GetParent()) {
    if (!ancestor->IsVisible()) return;
    if (!::IntersectRect(&rc, &rc, &ancestor->GetPos())) return;
  }
  manager_->Invalidate(rc);
}

bool CControlUI::IsUpdateNeeded() const {
  return updateNeeded_;
}

void CControlUI::NeedUpdate() {
  if (!IsVisible()) return;
  updateNeeded_ = true;
  Invalidate();
  if (manager_) manager_->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
  // A visible floating control takes no room in its parent's layout: it is
  // placed again alone, from its fixed values (the host asks the parent for
  // its float position), so a moving progress bar repaints only itself.
  if (float_ && parent_ && IsVisible()) {
    NeedUpdate();
    return;
  }
  if (parent_) {
    parent_->NeedUpdate();
    parent_->Invalidate();
  } else {
    NeedUpdate();
  }
  if (manager_) manager_->NeedUpdate();
}

void CControlUI::Init() {
  DoInit();
}

void CControlUI::DoInit() {}

// ---- Events ----------------------------------------------------------------

void CControlUI::Event(ControlEventUI& event) {
  DoEvent(event);
}

void CControlUI::DoEvent(ControlEventUI& event) {
  switch (event.type) {
    case UIEVENT_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
      return;
    case UIEVENT_SETFOCUS:
      focused_ = true;
      Invalidate();
      return;
    case UIEVENT_KILLFOCUS:
      focused_ = false;
      Invalidate();
      return;
    case UIEVENT_TIMER:
      if (manager_) manager_->SendNotify(this, L"timer", event.wParam, event.lParam);
      return;
    case UIEVENT_CONTEXTMENU:
      if (menuUsed_) {
        if (manager_) manager_->SendNotify(this, L"menu", event.wParam, event.lParam);
        return;
      }
      break;
    default:
      break;
  }
  if (parent_) parent_->DoEvent(event);
}

// ---- Attributes ------------------------------------------------------------

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  static const AttributeHandler<CControlUI> kTable[] = {
      {L"pos",
       [](CControlUI& c, const wchar_t* v) {
         const RECT rc = ParseRect(v);
         c.SetFixedXY(SIZE{rc.left, rc.top});
         c.SetFixedWidth(rc.right - rc.left);  // a negative size is ignored
         c.SetFixedHeight(rc.bottom - rc.top);
       }},
      {L"padding", [](CControlUI& c, const wchar_t* v) { c.SetPadding(ParseRect(v)); }},
      {L"bkcolor", [](CControlUI& c, const wchar_t* v) { c.SetBkColor(ParseColor(v)); }},
      {L"bkcolor1", [](CControlUI& c, const wchar_t* v) { c.SetBkColor(ParseColor(v)); }},
      {L"bkcolor2", [](CControlUI& c, const wchar_t* v) { c.SetBkColor2(ParseColor(v)); }},
      {L"bkcolor3", [](CControlUI& c, const wchar_t* v) { c.SetBkColor3(ParseColor(v)); }},
      {L"bordercolor", [](CControlUI& c, const wchar_t* v) { c.SetBorderColor(ParseColor(v, true)); }},
      {L"focusbordercolor", [](CControlUI& c, const wchar_t* v) { c.SetFocusBorderColor(ParseColor(v, true)); }},
      // Read and dropped: no control of this toolkit adjusts its colours.
      {L"colorhsl", [](CControlUI&, const wchar_t*) {}},
      {L"bordersize", [](CControlUI& c, const wchar_t* v) { c.SetBorderSize(ParseBorderSize(v)); }},
      {L"borderstyle", [](CControlUI& c, const wchar_t* v) { c.borderStyle_ = ParseInt(v); }},
      {L"borderround", [](CControlUI& c, const wchar_t* v) { c.SetBorderRound(ParseSize(v)); }},
      {L"bkimage", [](CControlUI& c, const wchar_t* v) { c.SetBkImage(v); }},
      {L"width", [](CControlUI& c, const wchar_t* v) { c.SetFixedWidth(ParseInt(v)); }},
      {L"height", [](CControlUI& c, const wchar_t* v) { c.SetFixedHeight(ParseInt(v)); }},
      {L"minwidth", [](CControlUI& c, const wchar_t* v) { c.SetMinWidth(ParseInt(v)); }},
      {L"minheight", [](CControlUI& c, const wchar_t* v) { c.SetMinHeight(ParseInt(v)); }},
      {L"maxwidth", [](CControlUI& c, const wchar_t* v) { c.SetMaxWidth(ParseInt(v)); }},
      {L"maxheight", [](CControlUI& c, const wchar_t* v) { c.SetMaxHeight(ParseInt(v)); }},
      {L"name", [](CControlUI& c, const wchar_t* v) { c.SetName(v); }},
      {L"text", [](CControlUI& c, const wchar_t* v) { c.SetText(v); }},
      {L"tooltip", [](CControlUI& c, const wchar_t* v) { c.SetToolTip(v); }},
      {L"userdata", [](CControlUI& c, const wchar_t* v) { c.SetUserData(v); }},
      // Read and dropped: nothing reads a control's tag.
      {L"tag", [](CControlUI&, const wchar_t*) {}},
      {L"enabled", [](CControlUI& c, const wchar_t* v) { c.SetEnabled(ParseBool(v)); }},
      {L"mouse", [](CControlUI& c, const wchar_t* v) { c.SetMouseEnabled(ParseBool(v)); }},
      {L"keyboard", [](CControlUI& c, const wchar_t* v) { c.SetKeyboardEnabled(ParseBool(v)); }},
      {L"visible", [](CControlUI& c, const wchar_t* v) { c.SetVisible(ParseBool(v)); }},
      {L"float",
       [](CControlUI& c, const wchar_t* v) {
         if (std::wcschr(v, L',')) {
           TPercentInfo percent;
           double values[4];
           ParseDoubleList(v, values, 4);
           percent.left = values[0];
           percent.top = values[1];
           percent.right = values[2];
           percent.bottom = values[3];
           c.SetFloatPercent(percent);
           c.SetFloat(true);
         } else {
           c.SetFloat(ParseBool(v));
         }
       }},
      {L"shortcut", [](CControlUI& c, const wchar_t* v) { c.SetShortcut(v[0]); }},
      {L"menu", [](CControlUI& c, const wchar_t* v) { c.SetContextMenuUsed(ParseBool(v)); }},
  };
  if (!name || !value) return;
  // The one name skins have historically written in any case.
  if (_wcsicmp(name, L"forecolor") == 0) {
    SetForeColor(ParseColor(value, true));
    return;
  }
  if (ApplyAttribute(kTable, *this, name, value)) return;
  customAttributes_[name] = value;
}

void CControlUI::ApplyAttributeList(const wchar_t* list) {
  if (!list) return;
  std::wstring name;
  std::wstring value;
  const wchar_t* p = list;
  while (*p) {
    name.clear();
    value.clear();
    while (*p && *p != L'=') name += *p++;
    if (*p != L'=') return;
    ++p;
    if (*p != L'"') return;
    ++p;
    while (*p && *p != L'"') value += *p++;
    if (*p != L'"') return;
    ++p;
    SetAttribute(name.c_str(), value.c_str());
    if (*p != L' ') return;
    ++p;
  }
}

const wchar_t* CControlUI::GetCustomAttribute(const wchar_t* name) const {
  if (!name) return nullptr;
  auto it = customAttributes_.find(name);
  return it == customAttributes_.end() ? nullptr : it->second.c_str();
}

SIZE CControlUI::EstimateSize(SIZE /*available*/) {
  return fixedSize_;
}

// ---- Painting --------------------------------------------------------------

bool CControlUI::Paint(HDC dc, const RECT& rcPaint, CControlUI* stop) {
  if (stop == this) return false;
  if (!::IntersectRect(&paintRect_, &rcPaint, &itemRect_)) return true;
  {
    if (borderRound_.cx > 0 || borderRound_.cy > 0) {
      ClipScope clip(dc, itemRect_, borderRound_);
      if (!DoPaint(dc, rcPaint, stop)) return false;
    } else if (!DoPaint(dc, rcPaint, stop)) {
      return false;
    }
  }
  if (cover_ && cover_->IsVisible() && !cover_->Paint(dc, rcPaint, stop)) return false;
  return true;
}

bool CControlUI::DoPaint(HDC dc, const RECT& /*rcPaint*/, CControlUI* /*stop*/) {
  PaintBkColor(dc);
  PaintBkImage(dc);
  PaintStatusImage(dc);
  PaintForeColor(dc);
  PaintText(dc);
  PaintBorder(dc);
  return true;
}

void CControlUI::PaintBkColor(HDC dc) {
  if (bkColor_ == 0) return;
  if (bkColor2_ != 0) {
    if (bkColor3_ != 0) {
      RECT upper = itemRect_;
      upper.bottom = (itemRect_.top + itemRect_.bottom) / 2;
      CRenderEngine::DrawGradient(dc, upper, bkColor_, bkColor2_, true, 8);
      RECT lower = itemRect_;
      lower.top = upper.bottom;
      CRenderEngine::DrawGradient(dc, lower, bkColor2_, bkColor3_, true, 8);
    } else {
      CRenderEngine::DrawGradient(dc, itemRect_, bkColor_, bkColor2_, true, 16);
    }
    return;
  }
  CRenderEngine::DrawColor(dc, IsOpaque(bkColor_) ? paintRect_ : itemRect_, bkColor_);
}

void CControlUI::PaintBkImage(HDC dc) {
  if (bkImage_.drawString.empty()) return;
  DrawImage(dc, bkImage_);
}

void CControlUI::PaintStatusImage(HDC /*dc*/) {}

void CControlUI::PaintForeColor(HDC dc) {
  if (foreColor_ == 0) return;
  CRenderEngine::DrawColor(dc, itemRect_, foreColor_);
}

void CControlUI::PaintText(HDC /*dc*/) {}

void CControlUI::PaintBorder(HDC dc) {
  DWORD color = borderColor_;
  if (focused_ && focusBorderColor_ != 0) color = focusBorderColor_;
  if (color == 0) return;
  DrawBorder(dc, color, borderSize_);
}

void CControlUI::DrawBorder(HDC dc, DWORD color, const RECT& s) {
  if (borderRound_.cx > 0 || borderRound_.cy > 0) {
    if (s.left > 0) {
      CRenderEngine::DrawRoundRect(dc, itemRect_, s.left, borderRound_.cx, borderRound_.cy, color, borderStyle_);
    }
    return;
  }
  if (s.left == s.top && s.left == s.right && s.left == s.bottom) {
    if (s.left > 0) CRenderEngine::DrawRect(dc, itemRect_, s.left, color, borderStyle_);
    return;
  }
  // Lines along the edges; the right and bottom ones on the last pixel
  // inside the item rectangle.
  const RECT& r = itemRect_;
  if (s.left > 0) CRenderEngine::DrawLine(dc, RECT{r.left, r.top, r.left, r.bottom}, s.left, color, borderStyle_);
  if (s.top > 0) CRenderEngine::DrawLine(dc, RECT{r.left, r.top, r.right, r.top}, s.top, color, borderStyle_);
  if (s.right > 0) {
    CRenderEngine::DrawLine(dc, RECT{r.right - 1, r.top, r.right - 1, r.bottom}, s.right, color, borderStyle_);
  }
  if (s.bottom > 0) {
    CRenderEngine::DrawLine(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom - 1}, s.bottom, color, borderStyle_);
  }
}

void CControlUI::DoPostPaint(HDC /*dc*/, const RECT& /*rcPaint*/) {}

bool CControlUI::DrawImage(HDC dc, TDrawInfo& info) {
  return CRenderEngine::DrawImageInfo(dc, manager_, itemRect_, paintRect_, info);
}

// ---- Looks -----------------------------------------------------------------

void CControlUI::SetBkColor(DWORD color) {
  if (bkColor_ == color) return;
  bkColor_ = color;
  Invalidate();
}

void CControlUI::SetBkColor2(DWORD color) {
  if (bkColor2_ == color) return;
  bkColor2_ = color;
  Invalidate();
}

void CControlUI::SetBkColor3(DWORD color) {
  if (bkColor3_ == color) return;
  bkColor3_ = color;
  Invalidate();
}

void CControlUI::SetForeColor(DWORD color) {
  if (foreColor_ == color) return;
  foreColor_ = color;
  Invalidate();
}

void CControlUI::SetBkImage(const std::wstring& image) {
  if (bkImage_.SetDrawString(image)) Invalidate();
}

void CControlUI::SetBorderColor(DWORD color) {
  if (borderColor_ == color) return;
  borderColor_ = color;
  Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD color) {
  if (focusBorderColor_ == color) return;
  focusBorderColor_ = color;
  Invalidate();
}

void CControlUI::SetBorderSize(RECT sizes) {
  borderSize_ = sizes;
  Invalidate();
}

void CControlUI::SetBorderSize(int size) {
  borderSize_ = RECT{size, size, size, size};
  Invalidate();
}

void CControlUI::SetBorderRound(SIZE round) {
  borderRound_ = round;
  Invalidate();
}

}  // namespace DuiLib
