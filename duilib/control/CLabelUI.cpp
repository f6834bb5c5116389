#include "duilib/control/CLabelUI.h"

#include <algorithm>
#include <cwchar>

#include "base/UniqueDC.h"
#include "duilib/control/AttributeHandler.h"
#include "duilib/core/AttributeText.h"
#include "duilib/core/CRenderEngine.h"
#include "duilib/core/CWindowHostUI.h"

namespace DuiLib {
namespace {

// Text is laid out without limit along the other axis.
constexpr int kUnbounded = 9999;
// Room above and below a single line.
constexpr int kLineSlack = 8;

}  // namespace

CLabelUI::CLabelUI() = default;

const wchar_t* CLabelUI::GetClass() const {
  return L"Label";
}

void* CLabelUI::GetInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Label") == 0) return static_cast<CLabelUI*>(this);
  return CControlUI::GetInterface(name);
}

void CLabelUI::SetText(const std::wstring& text) {
  estimateNeeded_ = true;
  CControlUI::SetText(text);
}

void CLabelUI::SetFixedWidth(int cx) {
  estimateNeeded_ = true;
  CControlUI::SetFixedWidth(cx);
}

void CLabelUI::SetFixedHeight(int cy) {
  estimateNeeded_ = true;
  CControlUI::SetFixedHeight(cy);
}

void CLabelUI::SetTextStyle(UINT style) {
  textStyle_ = style;
  estimateNeeded_ = true;
  Invalidate();
}

void CLabelUI::SetFont(int index) {
  font_ = index;
  estimateNeeded_ = true;
  Invalidate();
}

void CLabelUI::SetTextColor(DWORD color) {
  textColor_ = color;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD color) {
  disabledTextColor_ = color;
  Invalidate();
}

void CLabelUI::SetTextPadding(RECT padding) {
  textPadding_ = padding;
  estimateNeeded_ = true;
  NeedParentUpdate();
}

void CLabelUI::SetMultiLine(bool multiLine) {
  if (multiLine) {
    textStyle_ = (textStyle_ & ~DT_SINGLELINE) | DT_WORDBREAK;
  } else {
    textStyle_ |= DT_SINGLELINE;
  }
  estimateNeeded_ = true;
  Invalidate();
}

void CLabelUI::DoEvent(ControlEventUI& event) {
  if (event.type == UIEVENT_SETFOCUS) {
    focused_ = true;
    return;
  }
  if (event.type == UIEVENT_KILLFOCUS) {
    focused_ = false;
    return;
  }
  CControlUI::DoEvent(event);
}

void CLabelUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  static const AttributeHandler<CLabelUI> kTable[] = {
      {L"align",
       [](CLabelUI& c, const wchar_t* v) {
         UINT style = c.textStyle_;
         if (std::wcsstr(v, L"left")) {
           style &= ~(DT_CENTER | DT_RIGHT);
         } else if (std::wcsstr(v, L"center")) {
           style = (style & ~DT_RIGHT) | DT_CENTER;
         } else if (std::wcsstr(v, L"right")) {
           style = (style & ~DT_CENTER) | DT_RIGHT;
         }
         c.SetTextStyle(style);
       }},
      {L"valign",
       [](CLabelUI& c, const wchar_t* v) {
         UINT style = c.textStyle_;
         if (std::wcsstr(v, L"top")) {
           style &= ~(DT_VCENTER | DT_BOTTOM);
         } else if (std::wcsstr(v, L"vcenter")) {
           style = (style & ~DT_BOTTOM) | DT_VCENTER;
         } else if (std::wcsstr(v, L"bottom")) {
           style = (style & ~DT_VCENTER) | DT_BOTTOM;
         }
         c.SetTextStyle(style);
       }},
      {L"endellipsis",
       [](CLabelUI& c, const wchar_t* v) {
         c.SetTextStyle(ParseBool(v) ? c.textStyle_ | DT_END_ELLIPSIS : c.textStyle_ & ~DT_END_ELLIPSIS);
       }},
      {L"font", [](CLabelUI& c, const wchar_t* v) { c.SetFont(ParseInt(v)); }},
      {L"textcolor", [](CLabelUI& c, const wchar_t* v) { c.SetTextColor(ParseColor(v)); }},
      {L"disabledtextcolor", [](CLabelUI& c, const wchar_t* v) { c.SetDisabledTextColor(ParseColor(v)); }},
      {L"textpadding", [](CLabelUI& c, const wchar_t* v) { c.SetTextPadding(ParseRect(v)); }},
      {L"multiline", [](CLabelUI& c, const wchar_t* v) { c.SetMultiLine(ParseBool(v)); }},
      {L"showhtml", [](CLabelUI& c, const wchar_t* v) { c.SetShowHtml(ParseBool(v)); }},
  };
  if (!name || !value) return;
  if (!ApplyAttribute(kTable, *this, name, value)) CControlUI::SetAttribute(name, value);
}

int CLabelUI::FontTextHeight() const {
  if (!manager_) return 0;
  const TFontInfo* info = manager_->GetFontInfo(font_);
  return info ? info->metrics.tmHeight : 0;
}

void CLabelUI::MeasureText(RECT& rc, const std::wstring& text, UINT style) const {
  if (!manager_) return;
  HDC dc = manager_->GetPaintDC();
  UniqueDC memoryDC;
  if (!dc) {
    // Layout may run before the window exists (or without one).
    memoryDC.Reset(::CreateCompatibleDC(nullptr));
    dc = memoryDC.Get();
  }
  if (!dc) return;
  CRenderEngine::DrawText(dc, manager_, rc, text, 0, font_, style | DT_CALCRECT);
}

SIZE CLabelUI::EstimateSize(SIZE available) {
  if (fixedSize_.cx > 0 && fixedSize_.cy > 0) return fixedSize_;
  if (IsMultiLine() && (available.cx != lastAvailable_.cx || available.cy != lastAvailable_.cy)) {
    estimateNeeded_ = true;
  }
  if (!estimateNeeded_) return lastEstimate_;

  SIZE size = fixedSize_;
  if (!IsMultiLine()) {
    if (size.cy == 0) size.cy = textPadding_.top + FontTextHeight() + kLineSlack + textPadding_.bottom;
    if (size.cx == 0) {
      RECT rc = {0, 0, kUnbounded, size.cy};
      MeasureText(rc, text_, textStyle_ & ~(DT_CENTER | DT_RIGHT));
      size.cx = rc.right - rc.left + textPadding_.left + textPadding_.right;
    }
  } else {
    if (size.cx == 0) size.cx = available.cx;
    RECT rc = {textPadding_.left, 0, size.cx - textPadding_.right, kUnbounded};
    MeasureText(rc, text_, textStyle_);
    size.cy = rc.bottom - rc.top + textPadding_.top + textPadding_.bottom;
  }
  // Without a host nothing could be measured: do not keep that.
  if (manager_) {
    lastAvailable_ = available;
    lastEstimate_ = size;
    estimateNeeded_ = false;
  }
  return size;
}

void CLabelUI::ResolveTextColors() {
  if (!manager_) return;
  if (textColor_ == 0) textColor_ = manager_->GetDefaultFontColor();
  if (disabledTextColor_ == 0) disabledTextColor_ = manager_->GetDefaultDisabledColor();
}

void CLabelUI::PaintText(HDC dc) {
  if (!manager_) return;
  ResolveTextColors();
  RECT rc = itemRect_;
  rc.left += textPadding_.left;
  rc.top += textPadding_.top;
  rc.right -= textPadding_.right;
  rc.bottom -= textPadding_.bottom;

  // Centre the text block vertically whatever the format says: a wrapped
  // block ignores DT_VCENTER, so the rectangle is cut down to the block.
  const int width = std::max<int>(fixedSize_.cx, rc.right - rc.left);
  RECT measured = {textPadding_.left, 0, width - textPadding_.right, kUnbounded};
  MeasureText(measured, text_, textStyle_);
  const int textHeight = measured.bottom - measured.top;
  if (rc.bottom - rc.top > textHeight) {
    rc.top += (rc.bottom - rc.top - textHeight) / 2;
    rc.bottom = rc.top + textHeight;
  }

  if (text_.empty()) return;
  const DWORD color = IsEnabled() ? textColor_ : disabledTextColor_;
  CRenderEngine::DrawText(dc, manager_, rc, text_, color, font_, textStyle_);
}

}  // namespace DuiLib
