#include "duilib/control/CRichEditUI.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "duilib/control/AttributeHandler.h"
#include "duilib/control/CScrollBarUI.h"
#include "duilib/control/ClipScope.h"
#include "duilib/core/AttributeText.h"
#include "duilib/core/CRenderEngine.h"
#include "duilib/core/CWindowHostUI.h"

namespace DuiLib {

namespace {

RECT Deflate(RECT rc, const RECT& by) {
  rc.left += by.left;
  rc.top += by.top;
  rc.right -= by.right;
  rc.bottom -= by.bottom;
  rc.right = std::max(rc.right, rc.left);
  rc.bottom = std::max(rc.bottom, rc.top);
  return rc;
}

// The engine leaves the alpha byte of the pixels it draws at 0. Where the
// target is a 32-bit DIB section (the host's offscreen picture, a layered
// window's surface), pixels in `rc` that lie inside the context's clipping are
// made opaque again, so that later blending and per-pixel-alpha composition
// do not punch holes where the text is. Other targets have no alpha to fix.
void RestoreAlpha(HDC dc, const RECT& rc) {
  HGDIOBJ bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);
  DIBSECTION dib = {};
  if (bitmap == nullptr || ::GetObjectW(bitmap, sizeof(dib), &dib) != sizeof(dib)) return;
  if (dib.dsBm.bmBitsPixel != 32 || dib.dsBm.bmBits == nullptr) return;
  RECT area;
  RECT clip;
  if (::GetClipBox(dc, &clip) == ERROR || !::IntersectRect(&area, &rc, &clip)) return;
  POINT origin = {0, 0};
  ::GetViewportOrgEx(dc, &origin);
  ::OffsetRect(&area, origin.x, origin.y);
  const LONG height = dib.dsBm.bmHeight < 0 ? -dib.dsBm.bmHeight : dib.dsBm.bmHeight;
  const RECT surface = {0, 0, dib.dsBm.bmWidth, height};
  if (!::IntersectRect(&area, &area, &surface)) return;
  ::GdiFlush();
  auto* bits = static_cast<BYTE*>(dib.dsBm.bmBits);
  for (LONG y = area.top; y < area.bottom; ++y) {
    const LONG row = dib.dsBm.bmHeight > 0 ? height - 1 - y : y;
    BYTE* pixel = bits + static_cast<size_t>(row) * dib.dsBm.bmWidthBytes + static_cast<size_t>(area.left) * 4;
    for (LONG x = area.left; x < area.right; ++x, pixel += 4) pixel[3] = 0xFF;
  }
}

bool IsKeyMessage(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || message == WM_IME_CHAR || message == WM_IME_COMPOSITION ||
         message == WM_IME_STARTCOMPOSITION || message == WM_IME_ENDCOMPOSITION;
}

// Adds `bits` to the style word when the value is exactly "true".
template <DWORD Bits>
void AddStyleWhenTrue(CRichEditUI& edit, const wchar_t* value) {
  if (ParseBool(value)) edit.ModifyWinStyle(0, Bits);
}

const AttributeHandler<CRichEditUI> kAttributes[] = {
    {L"autovscroll", AddStyleWhenTrue<ES_AUTOVSCROLL>},
    {L"autohscroll", AddStyleWhenTrue<ES_AUTOHSCROLL>},
    {L"wanttab", [](CRichEditUI& e, const wchar_t* v) { e.SetWantTab(ParseBool(v)); }},
    {L"wantreturn", [](CRichEditUI& e, const wchar_t* v) { e.SetWantReturn(ParseBool(v)); }},
    {L"wantctrlreturn", [](CRichEditUI& e, const wchar_t* v) { e.SetWantCtrlReturn(ParseBool(v)); }},
    {L"transparent", [](CRichEditUI& e, const wchar_t* v) { e.SetTransparent(ParseBool(v)); }},
    {L"rich", [](CRichEditUI& e, const wchar_t* v) { e.SetRich(ParseBool(v)); }},
    {L"multiline",
     [](CRichEditUI& e, const wchar_t* v) {
       if (std::wcscmp(v, L"false") == 0) e.ModifyWinStyle(ES_MULTILINE, 0);
     }},
    {L"readonly",
     [](CRichEditUI& e, const wchar_t* v) {
       if (ParseBool(v)) e.SetReadOnly(true);
     }},
    {L"password", AddStyleWhenTrue<ES_PASSWORD>},
    {L"align",
     [](CRichEditUI& e, const wchar_t* v) {
       // Every matching word is applied in turn; the last one wins.
       if (std::wcsstr(v, L"left") != nullptr) e.ModifyWinStyle(ES_CENTER | ES_RIGHT, 0);
       if (std::wcsstr(v, L"center") != nullptr) e.ModifyWinStyle(ES_RIGHT, ES_CENTER);
       if (std::wcsstr(v, L"right") != nullptr) e.ModifyWinStyle(ES_CENTER, ES_RIGHT);
     }},
    {L"font", [](CRichEditUI& e, const wchar_t* v) { e.SetFont(ParseInt(v)); }},
    {L"textcolor", [](CRichEditUI& e, const wchar_t* v) { e.SetTextColor(ParseColor(v, true)); }},
    {L"textpadding", [](CRichEditUI& e, const wchar_t* v) { e.SetTextPadding(ParseRect(v)); }},
};

}  // namespace

CRichEditUI::CRichEditUI() = default;

CRichEditUI::~CRichEditUI() {
  if (manager_ != nullptr) {
    if (filterRegistered_) manager_->RemoveMessageFilter(this);
    manager_->KillTimer(this);
  }
  if (host_) host_->Shutdown();
}

const wchar_t* CRichEditUI::GetClass() const {
  return L"RichEdit";
}

void* CRichEditUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wcscmp(name, L"RichEdit") == 0) return this;
  return CContainerUI::GetInterface(name);
}

UINT CRichEditUI::GetControlFlags() const {
  return UIFLAG_SETCURSOR | (IsEnabled() ? static_cast<UINT>(UIFLAG_TABSTOP) : 0u);
}

DWORD CRichEditUI::GetWinStyle() const {
  return style_;
}
void CRichEditUI::ModifyWinStyle(DWORD remove, DWORD add) {
  style_ = (style_ & ~remove) | add;
}
bool CRichEditUI::IsRich() const {
  return rich_;
}
void CRichEditUI::SetRich(bool rich) {
  rich_ = rich;
}
bool CRichEditUI::IsReadOnly() const {
  return readOnly_;
}

void CRichEditUI::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  style_ = readOnly ? (style_ | ES_READONLY) : (style_ & ~ES_READONLY);
  if (host_) host_->SetReadOnly(readOnly);
}

bool CRichEditUI::IsWantTab() const {
  return wantTab_;
}
void CRichEditUI::SetWantTab(bool want) {
  wantTab_ = want;
}
bool CRichEditUI::IsWantReturn() const {
  return wantReturn_;
}
void CRichEditUI::SetWantReturn(bool want) {
  wantReturn_ = want;
}
bool CRichEditUI::IsWantCtrlReturn() const {
  return wantCtrlReturn_;
}
void CRichEditUI::SetWantCtrlReturn(bool want) {
  wantCtrlReturn_ = want;
}
bool CRichEditUI::IsTransparent() const {
  return transparent_;
}

void CRichEditUI::SetTransparent(bool transparent) {
  transparent_ = transparent;
  if (host_) host_->SetTransparent(transparent);
  Invalidate();
}

int CRichEditUI::GetFont() const {
  return font_;
}

void CRichEditUI::SetFont(int index) {
  font_ = index;
  if (host_ && manager_ != nullptr) host_->SetFont(manager_->GetFont(font_));
}

DWORD CRichEditUI::GetTextColor() const {
  return textColor_;
}

void CRichEditUI::SetTextColor(DWORD color) {
  textColor_ = color;
  if (host_) host_->SetTextColor(ToColorRef(color));
}

RECT CRichEditUI::GetTextPadding() const {
  return textPadding_;
}

void CRichEditUI::SetTextPadding(RECT padding) {
  textPadding_ = padding;
  NeedUpdate();
}

LONG CRichEditUI::GetLimitText() const {
  return limitText_;
}

void CRichEditUI::SetLimitText(LONG chars) {
  limitText_ = chars;
  if (host_) {
    host_->SetMaxLength(chars);
    Send(EM_EXLIMITTEXT, 0, chars);
  }
}

LRESULT CRichEditUI::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  LRESULT result = 0;
  if (host_ && host_->Services() != nullptr) host_->Services()->TxSendMessage(message, wParam, lParam, &result);
  return result;
}

void CRichEditUI::SetText(const std::wstring& text) {
  text_ = text;
  if (!host_) return;
  Send(EM_SETSEL, 0, -1);
  Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text_.c_str()));
  // Replacing leaves the caret, and the view, at the end: release notes are
  // read from the top.
  Send(EM_SETSEL, 0, 0);
  ScrollEngine(true, SB_TOP);
  NeedUpdate();
  Invalidate();
}

const std::wstring& CRichEditUI::GetText() const {
  if (!host_) return text_;
  GETTEXTLENGTHEX lengthQuery = {GTL_DEFAULT | GTL_NUMCHARS, 1200};
  const LRESULT length = Send(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
  engineText_.clear();
  if (length <= 0) return engineText_;
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  GETTEXTEX query = {};
  query.cb = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  query.flags = GT_DEFAULT;
  query.codepage = 1200;
  const LRESULT copied = Send(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(buffer.data()));
  const size_t count = std::min(static_cast<size_t>(std::max<LRESULT>(copied, 0)), buffer.size() - 1);
  // The engine ends paragraphs with CR; callers get the "\n" they gave.
  engineText_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const wchar_t ch = buffer[i];
    if (ch == L'\r') {
      engineText_.push_back(L'\n');
      if (i + 1 < count && buffer[i + 1] == L'\n') ++i;
    } else {
      engineText_.push_back(ch);
    }
  }
  return engineText_;
}

ITextServices* CRichEditUI::GetTextServices() const {
  return host_ ? host_->Services() : nullptr;
}
RECT CRichEditUI::GetTextClientRect() const {
  return host_ ? host_->ClientRect() : RECT{0, 0, 0, 0};
}
bool CRichEditUI::IsVerticalBarAutoShown() const {
  return verticalAutoShown_;
}

void CRichEditUI::DoInit() {
  if (inited_ || manager_ == nullptr || manager_->GetPaintWindow() == nullptr) return;
  inited_ = true;
  CTextHostUI::Settings settings;
  settings.style = style_;
  settings.rich = rich_;
  settings.transparent = transparent_;
  settings.readOnly = readOnly_;
  settings.maxLength = limitText_;
  settings.font = manager_->GetFont(font_);
  settings.textColor = ToColorRef(textColor_);
  settings.text = text_;
  host_ = CTextHostUI::Create(this, settings);
  if (!host_) return;
  filterRegistered_ = manager_->AddMessageFilter(this);
  if (::GetFocus() == manager_->GetPaintWindow()) StartCaret();
}

void CRichEditUI::SetEnabled(bool enabled) {
  CContainerUI::SetEnabled(enabled);
  if (host_) Send(WM_ENABLE, enabled ? TRUE : FALSE, 0);
}

void CRichEditUI::SetPos(RECT rc, bool needInvalidate) {
  layingOut_ = true;
  CControlUI::SetPos(rc, needInvalidate);
  CScrollBarUI* vertical = verticalScrollBar_;
  CScrollBarUI* horizontal = horizontalScrollBar_;
  RECT text = Deflate(itemRect_, inset_);
  if (vertical != nullptr && vertical->IsVisible()) text.right -= vertical->GetFixedWidth();
  if (horizontal != nullptr && horizontal->IsVisible()) text.bottom -= horizontal->GetFixedHeight();
  text.right = std::max(text.right, text.left);
  text.bottom = std::max(text.bottom, text.top);
  if (host_) host_->SetClientRect(Deflate(text, textPadding_));

  if (vertical != nullptr && host_ && (!vertical->IsVisible() || verticalAutoShown_)) {
    // Measured at the width the text has without the bar.
    RECT wide = text;
    if (vertical->IsVisible()) wide.right += vertical->GetFixedWidth();
    const RECT client = Deflate(wide, textPadding_);
    LONG width = client.right - client.left;
    LONG height = 0;
    SIZEL extent = {-1, -1};
    host_->Services()->TxGetNaturalSize(DVASPECT_CONTENT, manager_ != nullptr ? manager_->GetPaintDC() : nullptr,
                                        nullptr, nullptr, TXTNS_FITTOCONTENT, &extent, &width, &height);
    if (height > client.bottom - client.top) {
      if (!vertical->IsVisible()) {
        vertical->SetVisible(true);
        text.right = std::max(text.left, text.right - vertical->GetFixedWidth());
        host_->SetClientRect(Deflate(text, textPadding_));
      }
      vertical->SetScrollPos(0);
      ScrollEngine(true, SB_TOP);
      verticalAutoShown_ = true;
    } else if (verticalAutoShown_) {
      vertical->SetVisible(false);
      verticalAutoShown_ = false;
      text = wide;
      host_->SetClientRect(client);
    }
  }
  textRect_ = text;
  if (vertical != nullptr && vertical->IsVisible()) {
    vertical->SetPos(RECT{text.right, text.top, text.right + vertical->GetFixedWidth(), text.bottom}, false);
  }
  if (horizontal != nullptr && horizontal->IsVisible()) {
    horizontal->SetPos(RECT{text.left, text.bottom, text.right, text.bottom + horizontal->GetFixedHeight()}, false);
  }
  PlaceChildrenIn(text);
  SyncScrollBars();
  layingOut_ = false;
}

void CRichEditUI::SyncScrollBars() {
  if (!host_ || host_->Services() == nullptr) return;
  ITextServices* services = host_->Services();
  const auto sync = [&](CScrollBarUI* bar, bool vertical) {
    if (bar == nullptr) return;
    LONG minPos = 0, maxPos = 0, pos = 0, page = 0;
    WINBOOL enabled = FALSE;
    const HRESULT hr = vertical ? services->TxGetVScroll(&minPos, &maxPos, &pos, &page, &enabled)
                                : services->TxGetHScroll(&minPos, &maxPos, &pos, &page, &enabled);
    if (FAILED(hr)) return;
    // The engine reports the height of the whole text as its maximum and the
    // text area as its page; the bar's range is the largest first visible
    // pixel row, which is what scrolling to the bottom reaches.
    const int range = std::max<LONG>(0, maxPos - minPos - page);
    const int before = bar->GetScrollRange();
    bar->SetScrollRange(range);
    bar->SetScrollPos(pos - minPos);
    // The layout decides whether the bar is needed: tell it when the extent
    // crosses the size of the text area.
    if (vertical && !layingOut_ && (before > 0) != (range > 0)) NeedUpdate();
  };
  sync(verticalScrollBar_, true);
  sync(horizontalScrollBar_, false);
}

void CRichEditUI::ScrollEngine(bool vertical, WORD command, int pos) {
  if (!host_) return;
  Send(vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(command, static_cast<WORD>(pos)), 0);
  SyncScrollBars();
  Invalidate();
}

SIZE CRichEditUI::GetScrollPos() const {
  return CContainerUI::GetScrollPos();
}
SIZE CRichEditUI::GetScrollRange() const {
  return CContainerUI::GetScrollRange();
}

void CRichEditUI::SetScrollPos(SIZE pos) {
  CScrollBarUI* vertical = verticalScrollBar_;
  CScrollBarUI* horizontal = horizontalScrollBar_;
  if (vertical != nullptr && vertical->IsVisible()) {
    const int old = vertical->GetScrollPos();
    vertical->SetScrollPos(pos.cy);
    const int wanted = vertical->GetScrollPos();
    if (wanted != old && host_) {
      ScrollEngine(true, SB_THUMBPOSITION, wanted);
      // Plain text sometimes stops short of a downward target; keep the bar
      // where it was sent.
      if (!rich_ && wanted > old && vertical->GetScrollPos() < wanted) vertical->SetScrollPos(wanted);
    }
  }
  if (horizontal != nullptr && horizontal->IsVisible()) {
    const int old = horizontal->GetScrollPos();
    horizontal->SetScrollPos(pos.cx);
    if (horizontal->GetScrollPos() != old && host_) ScrollEngine(false, SB_THUMBPOSITION, horizontal->GetScrollPos());
  }
}

void CRichEditUI::LineUp() {
  ScrollEngine(true, SB_LINEUP);
}

void CRichEditUI::LineDown() {
  CScrollBarUI* vertical = verticalScrollBar_;
  const int before = vertical != nullptr ? vertical->GetScrollPos() : 0;
  ScrollEngine(true, SB_LINEDOWN);
  if (!rich_ && vertical != nullptr && vertical->GetScrollPos() == before) {
    vertical->SetScrollPos(vertical->GetScrollRange());
  }
}

void CRichEditUI::PageUp() {
  ScrollEngine(true, SB_PAGEUP);
}
void CRichEditUI::PageDown() {
  ScrollEngine(true, SB_PAGEDOWN);
}
void CRichEditUI::HomeUp() {
  ScrollEngine(true, SB_TOP);
}
void CRichEditUI::EndDown() {
  ScrollEngine(true, SB_BOTTOM);
}
void CRichEditUI::LineLeft() {
  ScrollEngine(false, SB_LINELEFT);
}
void CRichEditUI::LineRight() {
  ScrollEngine(false, SB_LINERIGHT);
}
void CRichEditUI::PageLeft() {
  ScrollEngine(false, SB_PAGELEFT);
}
void CRichEditUI::PageRight() {
  ScrollEngine(false, SB_PAGERIGHT);
}
void CRichEditUI::HomeLeft() {
  ScrollEngine(false, SB_LEFT);
}
void CRichEditUI::EndRight() {
  ScrollEngine(false, SB_RIGHT);
}

void CRichEditUI::StartCaret() {
  if (manager_ == nullptr) return;
  caretOn_ = true;
  manager_->SetTimer(this, kCaretTimerId, ::GetCaretBlinkTime());
}

void CRichEditUI::StopCaret() {
  caretOn_ = false;
  if (manager_ != nullptr) manager_->KillTimer(this, kCaretTimerId);
}

bool CRichEditUI::CaretVisibleNow() const {
  return host_ && focused_ && caretOn_ && host_->IsCaretShown() && manager_ != nullptr &&
         ::GetFocus() == manager_->GetPaintWindow();
}

void CRichEditUI::DoEvent(ControlEventUI& event) {
  switch (event.type) {
    case UIEVENT_SETCURSOR:
      if (host_ && IsEnabled() && ::PtInRect(&host_->ClientRect(), event.mouse)) {
        const RECT client = host_->ClientRect();
        host_->Services()->OnTxSetCursor(DVASPECT_CONTENT, -1, nullptr, nullptr, TextHostDC(), nullptr, &client,
                                         event.mouse.x, event.mouse.y);
        return;
      }
      break;
    case UIEVENT_WINDOWSIZE:
      if (host_) host_->Services()->OnTxPropertyBitsChange(TXTBIT_EXTENTCHANGE, TXTBIT_EXTENTCHANGE);
      return;
    case UIEVENT_SETFOCUS:
      if (host_) {
        Send(WM_SETFOCUS, 0, 0);
        StartCaret();
      }
      focused_ = true;
      Invalidate();
      return;
    case UIEVENT_KILLFOCUS:
      if (host_) {
        Send(WM_KILLFOCUS, 0, 0);
        StopCaret();
      }
      focused_ = false;
      Invalidate();
      return;
    case UIEVENT_TIMER:
      if (event.wParam == kCaretTimerId) {
        if (host_ && focused_ && manager_ != nullptr && ::GetFocus() == manager_->GetPaintWindow()) {
          caretOn_ = !caretOn_;
          TextHostCaretChanged(host_->CaretRect());
        }
        return;
      }
      if (host_) Send(WM_TIMER, event.wParam, event.lParam);
      return;
    case UIEVENT_SCROLLWHEEL:
      if (event.keyState & UIKEY_CONTROL) return;
      break;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_BUTTONUP:
    case UIEVENT_DBLCLICK:
    case UIEVENT_KEYDOWN:
    case UIEVENT_KEYUP:
    case UIEVENT_CHAR:
    case UIEVENT_SYSKEY:
      // The engine had the raw message through FilterMessage.
      if (host_) return;
      break;
    default:
      break;
  }
  CContainerUI::DoEvent(event);
}

LRESULT CRichEditUI::FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (!host_ || host_->Services() == nullptr || !IsVisible() || !IsEnabled()) return 0;
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
    if (message == WM_MOUSEWHEEL) {
      // Only the zoom gesture is the engine's; plain turns scroll the bars.
      if (!(GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL)) return 0;
      POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ::ScreenToClient(TextHostWindow(), &pt);
      if (!::PtInRect(&host_->ClientRect(), pt)) return 0;
      LRESULT result = 0;
      host_->Services()->TxSendMessage(message, wParam, lParam, &result);
      handled = true;
      return result;
    }
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const bool inside = ::PtInRect(&host_->ClientRect(), pt) != FALSE;
    // The window host still routes these to the controls (focus, capture);
    // the engine sees them too, and keeps seeing the mouse while a button
    // pressed inside the text is held.
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
      if (!inside) return 0;
      mouseDown_ = true;
    } else if (message == WM_LBUTTONUP) {
      if (!inside && !mouseDown_) return 0;
      mouseDown_ = false;
    } else if (!inside && !mouseDown_) {
      return 0;
    }
    if (message == WM_LBUTTONDOWN && !IsFocused()) SetFocus();
    LRESULT result = 0;
    host_->Services()->TxSendMessage(message, wParam, lParam, &result);
    return 0;
  }
  if (!IsKeyMessage(message) || !IsFocused()) return 0;
  if (message == WM_KEYDOWN || message == WM_CHAR) {
    const bool isTab = message == WM_KEYDOWN ? wParam == VK_TAB : wParam == L'\t';
    const bool isReturn = message == WM_KEYDOWN ? wParam == VK_RETURN : (wParam == L'\r' || wParam == L'\n');
    if (isTab && !wantTab_) return 0;
    if (isReturn) {
      const bool control = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
      if (control ? !wantCtrlReturn_ : !wantReturn_) return 0;
    }
  }
  LRESULT result = 0;
  const HRESULT hr = host_->Services()->TxSendMessage(message, wParam, lParam, &result);
  // Keys the engine used end here; the rest (Escape, accelerators, keys a
  // read-only text ignores) go on to the window's own handling.
  if (hr == S_OK) handled = true;
  return result;
}

bool CRichEditUI::DoPaint(HDC dc, const RECT& rcPaint, CControlUI* stop) {
  RECT visible;
  if (!::IntersectRect(&visible, &rcPaint, &itemRect_)) return true;
  {
    ClipScope clip(dc, visible);
    PaintBkColor(dc);
    PaintBkImage(dc);
    PaintStatusImage(dc);
    if (host_ && host_->Services() != nullptr) {
      RECT client = host_->ClientRect();
      RECT area;
      if (::IntersectRect(&area, &client, &visible)) {
        RECTL bounds = {client.left, client.top, client.right, client.bottom};
        host_->Services()->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, dc, nullptr, &bounds, nullptr, &area, nullptr,
                                  0, TXTVIEW_ACTIVE);
        RestoreAlpha(dc, area);
        if (CaretVisibleNow()) {
          RECT caret;
          if (::IntersectRect(&caret, &host_->CaretRect(), &area)) {
            CRenderEngine::DrawColor(dc, caret, 0xFF000000 | (textColor_ & 0x00FFFFFF));
          }
        }
      }
    }
    PaintBorder(dc);
  }
  // Children and bars as any container has them.
  const RECT inner = textRect_;
  for (std::unique_ptr<CControlUI>& item : items_) {
    CControlUI* child = item.get();
    if (child == stop) return false;
    RECT meet;
    if (!child->IsVisible() || !::IntersectRect(&meet, &rcPaint, &child->GetPos())) continue;
    if (!child->IsFloat() && !::IntersectRect(&meet, &meet, &inner)) continue;
    if (!child->Paint(dc, rcPaint, stop)) return false;
  }
  for (CControlUI* bar : {VisibleVerticalBar(), VisibleHorizontalBar()}) {
    if (bar == nullptr) continue;
    if (bar == stop) return false;
    RECT meet;
    if (::IntersectRect(&meet, &rcPaint, &bar->GetPos()) && !bar->Paint(dc, rcPaint, stop)) return false;
  }
  return true;
}

// ---- ITextHostOwnerUI -------------------------------------------------------

HWND CRichEditUI::TextHostWindow() const {
  return manager_ != nullptr ? manager_->GetPaintWindow() : nullptr;
}
HDC CRichEditUI::TextHostDC() const {
  return manager_ != nullptr ? manager_->GetPaintDC() : nullptr;
}

void CRichEditUI::TextHostInvalidate(const RECT* rc) {
  if (manager_ == nullptr) return;
  RECT area = itemRect_;
  if (rc != nullptr && !::IntersectRect(&area, rc, &itemRect_)) return;
  manager_->Invalidate(area);
}

void CRichEditUI::TextHostScrollChanged(int) {
  SyncScrollBars();
}

void CRichEditUI::TextHostShowScrollBar(int bar, bool show) {
  CScrollBarUI* target = bar == SB_VERT ? verticalScrollBar_ : horizontalScrollBar_;
  if (target == nullptr || target->IsVisible() == show) return;
  if (bar == SB_VERT && !show && verticalAutoShown_) return;  // the layout owns an automatic bar
  target->SetVisible(show);
  if (bar == SB_VERT && show) verticalAutoShown_ = false;
  if (!layingOut_) NeedUpdate();
}

void CRichEditUI::TextHostEnableScrollBar(int bar, bool enable) {
  CScrollBarUI* target = bar == SB_VERT ? verticalScrollBar_ : horizontalScrollBar_;
  if (target != nullptr) target->SetEnabled(enable);
}

void CRichEditUI::TextHostCaretChanged(const RECT& oldCaret) {
  if (manager_ == nullptr || !host_) return;
  RECT area;
  if (::IntersectRect(&area, &oldCaret, &itemRect_)) manager_->Invalidate(area);
  if (::IntersectRect(&area, &host_->CaretRect(), &itemRect_)) manager_->Invalidate(area);
}

bool CRichEditUI::TextHostSetTimer(UINT id, UINT elapse) {
  return manager_ != nullptr && manager_->SetTimer(this, id, elapse);
}

void CRichEditUI::TextHostKillTimer(UINT id) {
  if (manager_ != nullptr) manager_->KillTimer(this, id);
}

void CRichEditUI::TextHostSetFocus() {
  SetFocus();
}

// ---- Attributes ---------------------------------------------------------------

void CRichEditUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  // The bars are the container's; the engine is told about them as well.
  if (std::wcscmp(name, L"vscrollbar") == 0 && ParseBool(value)) ModifyWinStyle(0, WS_VSCROLL | ES_DISABLENOSCROLL);
  if (std::wcscmp(name, L"hscrollbar") == 0 && ParseBool(value)) ModifyWinStyle(0, WS_HSCROLL | ES_DISABLENOSCROLL);
  if (!ApplyAttribute(kAttributes, *this, name, value)) CContainerUI::SetAttribute(name, value);
}

}  // namespace DuiLib
