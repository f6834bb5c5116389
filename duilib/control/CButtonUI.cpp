#include "duilib/control/CButtonUI.h"

#include <cwchar>

#include "duilib/control/AttributeHandler.h"
#include "duilib/core/AttributeText.h"
#include "duilib/core/CRenderEngine.h"
#include "duilib/core/CWindowHostUI.h"

namespace DuiLib {

CButtonUI::CButtonUI() {
  textStyle_ = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
}

const wchar_t* CButtonUI::GetClass() const {
  return L"Button";
}

void* CButtonUI::GetInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Button") == 0) return static_cast<CButtonUI*>(this);
  return CLabelUI::GetInterface(name);
}

UINT CButtonUI::GetControlFlags() const {
  UINT flags = 0;
  if (IsKeyboardEnabled()) flags |= UIFLAG_TABSTOP;
  if (IsEnabled()) flags |= UIFLAG_SETCURSOR;
  return flags;
}

bool CButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (manager_) manager_->SendNotify(this, L"click");
  return true;
}

void CButtonUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (!IsEnabled()) state_ = 0;
}

void CButtonUI::ChangeState(UINT bits, bool set) {
  const UINT before = state_;
  if (set) {
    state_ |= bits;
  } else {
    state_ &= ~bits;
  }
  if (state_ != before) Invalidate();
}

void CButtonUI::DoEvent(ControlEventUI& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (parent_) {
      parent_->DoEvent(event);
    } else {
      CLabelUI::DoEvent(event);
    }
    return;
  }
  const bool inside = ::PtInRect(&itemRect_, event.mouse) != FALSE;
  switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
      Invalidate();
      break;  // the label keeps the focused flag
    case UIEVENT_KEYDOWN:
      if (IsKeyboardEnabled() && IsEnabled() && (event.key == VK_SPACE || event.key == VK_RETURN)) {
        Activate();
        return;
      }
      break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (inside && IsEnabled()) ChangeState(UISTATE_PUSHED | UISTATE_CAPTURED, true);
      return;
    case UIEVENT_MOUSEMOVE:
      if (state_ & UISTATE_CAPTURED) ChangeState(UISTATE_PUSHED, inside);
      return;
    case UIEVENT_BUTTONUP:
      if (state_ & UISTATE_CAPTURED) {
        // The state is settled before "click": its handler may remove us.
        ChangeState(UISTATE_PUSHED | UISTATE_CAPTURED, false);
        if (inside && IsEnabled()) Activate();
      }
      return;
    case UIEVENT_MOUSEENTER:
      if (inside && IsEnabled()) ChangeState(UISTATE_HOT, true);
      return;
    case UIEVENT_MOUSELEAVE:
      if (inside) {
        // The pointer went onto a child window over us; leave later.
        if (manager_) manager_->AddMouseLeaveNeeded(this);
        return;
      }
      if (IsEnabled()) {
        ChangeState(UISTATE_HOT, false);
        if (manager_) manager_->RemoveMouseLeaveNeeded(this);
      }
      return;
    case UIEVENT_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      return;
    case UIEVENT_CONTEXTMENU:
      if (IsContextMenuUsed() && IsEnabled()) {
        if (manager_) manager_->SendNotify(this, L"menu", event.wParam, event.lParam);
      }
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

void CButtonUI::SetImage(TDrawInfo& info, const std::wstring& image) {
  if (info.SetDrawString(image)) Invalidate();
}

void CButtonUI::SetNormalImage(const std::wstring& image) {
  SetImage(normalImage_, image);
}

void CButtonUI::SetHotImage(const std::wstring& image) {
  SetImage(hotImage_, image);
}

void CButtonUI::SetPushedImage(const std::wstring& image) {
  SetImage(pushedImage_, image);
}

void CButtonUI::SetFocusedImage(const std::wstring& image) {
  SetImage(focusedImage_, image);
}

void CButtonUI::SetDisabledImage(const std::wstring& image) {
  SetImage(disabledImage_, image);
}

void CButtonUI::SetHotBkColor(DWORD color) {
  hotBkColor_ = color;
  Invalidate();
}

void CButtonUI::SetHotTextColor(DWORD color) {
  hotTextColor_ = color;
  Invalidate();
}

void CButtonUI::SetPushedTextColor(DWORD color) {
  pushedTextColor_ = color;
  Invalidate();
}

void CButtonUI::SetFocusedTextColor(DWORD color) {
  focusedTextColor_ = color;
  Invalidate();
}

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  static const AttributeHandler<CButtonUI> kTable[] = {
      {L"normalimage", [](CButtonUI& c, const wchar_t* v) { c.SetNormalImage(v); }},
      {L"hotimage", [](CButtonUI& c, const wchar_t* v) { c.SetHotImage(v); }},
      {L"pushedimage", [](CButtonUI& c, const wchar_t* v) { c.SetPushedImage(v); }},
      {L"focusedimage", [](CButtonUI& c, const wchar_t* v) { c.SetFocusedImage(v); }},
      {L"disabledimage", [](CButtonUI& c, const wchar_t* v) { c.SetDisabledImage(v); }},
      {L"hotbkcolor", [](CButtonUI& c, const wchar_t* v) { c.SetHotBkColor(ParseColor(v)); }},
      {L"hottextcolor", [](CButtonUI& c, const wchar_t* v) { c.SetHotTextColor(ParseColor(v)); }},
      {L"pushedtextcolor", [](CButtonUI& c, const wchar_t* v) { c.SetPushedTextColor(ParseColor(v)); }},
      {L"focusedtextcolor", [](CButtonUI& c, const wchar_t* v) { c.SetFocusedTextColor(ParseColor(v)); }},
      {L"hotbordercolor", [](CButtonUI& c, const wchar_t* v) { c.hotBorderColor_ = ParseColor(v, true); }},
      {L"hotbordersize", [](CButtonUI& c, const wchar_t* v) { c.hotBorderSize_ = ParseBorderSize(v); }},
      {L"pushedbordercolor", [](CButtonUI& c, const wchar_t* v) { c.pushedBorderColor_ = ParseColor(v, true); }},
      {L"pushedbordersize", [](CButtonUI& c, const wchar_t* v) { c.pushedBorderSize_ = ParseBorderSize(v); }},
  };
  if (!name || !value) return;
  if (!ApplyAttribute(kTable, *this, name, value)) CLabelUI::SetAttribute(name, value);
}

SIZE CButtonUI::EstimateSize(SIZE /*available*/) {
  if (fixedSize_.cy != 0) return fixedSize_;
  return SIZE{fixedSize_.cx, FontTextHeight() + 8};
}

void CButtonUI::PaintStatusImage(HDC dc) {
  state_ = IsEnabled() ? state_ & ~UISTATE_DISABLED : state_ | UISTATE_DISABLED;
  state_ = IsFocused() ? state_ | UISTATE_FOCUSED : state_ & ~UISTATE_FOCUSED;

  if (state_ & UISTATE_DISABLED) {
    if (DrawImage(dc, disabledImage_)) return;
  } else if (state_ & UISTATE_PUSHED) {
    if (!DrawImage(dc, pushedImage_)) DrawImage(dc, normalImage_);
    return;
  } else if (state_ & UISTATE_HOT) {
    if (hotBkColor_ != 0) CRenderEngine::DrawColor(dc, paintRect_, hotBkColor_);
    if (!DrawImage(dc, hotImage_)) DrawImage(dc, normalImage_);
    return;
  } else if (state_ & UISTATE_FOCUSED) {
    if (DrawImage(dc, focusedImage_)) return;
  }
  DrawImage(dc, normalImage_);
}

void CButtonUI::PaintText(HDC dc) {
  if (!manager_) return;
  ResolveTextColors();
  if (text_.empty()) return;
  RECT rc = itemRect_;
  rc.left += textPadding_.left;
  rc.top += textPadding_.top;
  rc.right -= textPadding_.right;
  rc.bottom -= textPadding_.bottom;
  DWORD color = IsEnabled() ? textColor_ : disabledTextColor_;
  if ((state_ & UISTATE_PUSHED) && pushedTextColor_ != 0) {
    color = pushedTextColor_;
  } else if ((state_ & UISTATE_HOT) && hotTextColor_ != 0) {
    color = hotTextColor_;
  } else if ((state_ & UISTATE_FOCUSED) && focusedTextColor_ != 0) {
    color = focusedTextColor_;
  }
  CRenderEngine::DrawText(dc, manager_, rc, text_, color, font_, textStyle_);
}

void CButtonUI::PaintBorder(HDC dc) {
  if ((state_ & UISTATE_PUSHED) && pushedBorderColor_ != 0) {
    DrawBorder(dc, pushedBorderColor_, pushedBorderSize_);
  } else if ((state_ & UISTATE_HOT) && hotBorderColor_ != 0) {
    DrawBorder(dc, hotBorderColor_, hotBorderSize_);
  } else {
    CLabelUI::PaintBorder(dc);
  }
}

}  // namespace DuiLib
