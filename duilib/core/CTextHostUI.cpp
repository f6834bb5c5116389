#include "duilib/core/CTextHostUI.h"

#include <cstdlib>
#include <cwchar>
#include <string>

#include "base/SystemLibrary.h"

namespace DuiLib {

namespace {

// The engine's entry point and interface id, looked up once. The DLL is taken
// from the system directory only (never by search order, which would load a
// planted copy) and stays loaded for the rest of the process: engines live
// until their controls go, and unloading under a live one would crash.
struct TextEngine {
  PCreateTextServices create = nullptr;
  const IID* servicesIid = nullptr;
};

const TextEngine& Engine() {
  static const TextEngine engine = [] {
    TextEngine result;
    SystemLibrary msftedit = SystemLibrary::Load(L"msftedit.dll");
    if (!msftedit) return result;
    result.create = msftedit.Entry<PCreateTextServices>("CreateTextServices");
    // The DLL exports the interface id as data; the import libraries lack it.
    result.servicesIid = msftedit.Data<IID>("IID_ITextServices");
    msftedit.Detach();
    return result;
  }();
  return engine;
}

constexpr LONG kTwipsPerInch = 1440;
constexpr LONG kDefaultTab = 720;  // half an inch, in twips

}  // namespace

ComPtr<CTextHostUI> CTextHostUI::Create(ITextHostOwnerUI* owner, const Settings& settings) {
  const TextEngine& engine = Engine();
  if (owner == nullptr || engine.create == nullptr || engine.servicesIid == nullptr) return {};
  ComPtr<CTextHostUI> host = ComPtr<CTextHostUI>::Share(new CTextHostUI(owner, settings));
  ComPtr<IUnknown> unknown;
  if (FAILED(engine.create(nullptr, host.Get(), unknown.Put())) || !unknown ||
      FAILED(unknown->QueryInterface(*engine.servicesIid, host->services_.PutVoid())) || !host->services_) {
    host->Shutdown();
    return {};
  }
  unknown.Reset();
  ITextServices* services = host->services_.Get();
  services->TxSetText(settings.text.c_str());
  LRESULT ignored = 0;
  services->TxSendMessage(EM_EXLIMITTEXT, 0, settings.maxLength, &ignored);
  services->OnTxInPlaceActivate(nullptr);
  return host;
}

CTextHostUI::CTextHostUI(ITextHostOwnerUI* owner, const Settings& settings)
    : owner_(owner), style_(settings.style), transparent_(settings.transparent), maxLength_(settings.maxLength) {
  if (settings.rich) propertyBits_ |= TXTBIT_RICHTEXT;
  if (style_ & ES_MULTILINE) propertyBits_ |= TXTBIT_MULTILINE;
  if (settings.readOnly || (style_ & ES_READONLY)) propertyBits_ |= TXTBIT_READONLY;
  if (style_ & ES_PASSWORD) propertyBits_ |= TXTBIT_USEPASSWORD;
  if (!(style_ & ES_NOHIDESEL)) propertyBits_ |= TXTBIT_HIDESELECTION;
  // Multi-line text wraps unless it is meant to scroll sideways.
  if ((style_ & ES_MULTILINE) && !(style_ & (WS_HSCROLL | ES_AUTOHSCROLL))) propertyBits_ |= TXTBIT_WORDWRAP;
  charFormat_.crTextColor = settings.textColor;
  FillCharFormat(settings.font);
  paraFormat_.cbSize = sizeof(paraFormat_);
  paraFormat_.dwMask = PFM_ALL;
  paraFormat_.wAlignment = (style_ & ES_CENTER) ? PFA_CENTER : (style_ & ES_RIGHT) ? PFA_RIGHT : PFA_LEFT;
  paraFormat_.cTabCount = 1;
  paraFormat_.rgxTabs[0] = kDefaultTab;
}

CTextHostUI::~CTextHostUI() = default;

void CTextHostUI::Shutdown() {
  owner_ = nullptr;
  if (services_) services_->OnTxInPlaceDeactivate();
  services_.Reset();
}

void CTextHostUI::FillCharFormat(HFONT font) {
  if (font == nullptr) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW lf = {};
  ::GetObjectW(font, sizeof(lf), &lf);
  HDC dc = owner_ != nullptr ? owner_->TextHostDC() : nullptr;
  const LONG ppi = dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
  const COLORREF color = charFormat_.crTextColor;
  charFormat_ = {};
  charFormat_.cbSize = sizeof(charFormat_);
  charFormat_.dwMask =
      CFM_SIZE | CFM_OFFSET | CFM_FACE | CFM_CHARSET | CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE;
  charFormat_.yHeight = std::labs(lf.lfHeight) * kTwipsPerInch / (ppi > 0 ? ppi : 96);
  charFormat_.crTextColor = color;
  if (lf.lfWeight >= FW_BOLD) charFormat_.dwEffects |= CFE_BOLD;
  if (lf.lfItalic) charFormat_.dwEffects |= CFE_ITALIC;
  if (lf.lfUnderline) charFormat_.dwEffects |= CFE_UNDERLINE;
  charFormat_.bCharSet = lf.lfCharSet;
  charFormat_.bPitchAndFamily = lf.lfPitchAndFamily;
  std::wcsncpy(charFormat_.szFaceName, lf.lfFaceName, LF_FACESIZE - 1);
}

void CTextHostUI::ChangeBits(DWORD mask, DWORD bits) {
  propertyBits_ = (propertyBits_ & ~mask) | (bits & mask);
  if (services_) services_->OnTxPropertyBitsChange(mask, bits);
}

void CTextHostUI::SetClientRect(const RECT& rc) {
  if (::EqualRect(&rc, &clientRect_)) return;
  clientRect_ = rc;
  if (services_) services_->OnTxPropertyBitsChange(TXTBIT_CLIENTRECTCHANGE, TXTBIT_CLIENTRECTCHANGE);
}

void CTextHostUI::SetReadOnly(bool readOnly) {
  ChangeBits(TXTBIT_READONLY, readOnly ? TXTBIT_READONLY : 0);
}

void CTextHostUI::SetTransparent(bool transparent) {
  transparent_ = transparent;
  if (services_) services_->OnTxPropertyBitsChange(TXTBIT_BACKSTYLECHANGE, 0);
}

void CTextHostUI::SetFont(HFONT font) {
  FillCharFormat(font);
  if (services_) services_->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
}

void CTextHostUI::SetTextColor(COLORREF color) {
  charFormat_.crTextColor = color;
  if (services_) services_->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
}

void CTextHostUI::SetMaxLength(LONG length) {
  maxLength_ = length;
  if (services_) services_->OnTxPropertyBitsChange(TXTBIT_MAXLENGTHCHANGE, TXTBIT_MAXLENGTHCHANGE);
}

void CTextHostUI::SetParagraphAlignment(WORD alignment) {
  paraFormat_.wAlignment = alignment;
  if (services_) services_->OnTxPropertyBitsChange(TXTBIT_PARAFORMATCHANGE, TXTBIT_PARAFORMATCHANGE);
}

HRESULT STDMETHODCALLTYPE CTextHostUI::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown)) {
    *object = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The window's own device context: it belongs to the window host, so there
// is nothing to release.
HDC CTextHostUI::TxGetDC() {
  return owner_ != nullptr ? owner_->TextHostDC() : nullptr;
}
INT CTextHostUI::TxReleaseDC(HDC) {
  return 1;
}

WINBOOL CTextHostUI::TxShowScrollBar(INT fnBar, WINBOOL fShow) {
  if (owner_ == nullptr) return FALSE;
  if (fnBar == SB_VERT || fnBar == SB_BOTH) owner_->TextHostShowScrollBar(SB_VERT, fShow != FALSE);
  if (fnBar == SB_HORZ || fnBar == SB_BOTH) owner_->TextHostShowScrollBar(SB_HORZ, fShow != FALSE);
  return TRUE;
}

WINBOOL CTextHostUI::TxEnableScrollBar(INT fuSBFlags, INT fuArrowflags) {
  if (owner_ == nullptr) return FALSE;
  const bool enable = fuArrowflags != ESB_DISABLE_BOTH;
  if (fuSBFlags == SB_VERT || fuSBFlags == SB_BOTH) owner_->TextHostEnableScrollBar(SB_VERT, enable);
  if (fuSBFlags == SB_HORZ || fuSBFlags == SB_BOTH) owner_->TextHostEnableScrollBar(SB_HORZ, enable);
  return TRUE;
}

WINBOOL CTextHostUI::TxSetScrollRange(INT fnBar, LONG, INT, WINBOOL) {
  if (owner_ == nullptr) return FALSE;
  owner_->TextHostScrollChanged(fnBar);
  return TRUE;
}

WINBOOL CTextHostUI::TxSetScrollPos(INT fnBar, INT, WINBOOL) {
  if (owner_ == nullptr) return FALSE;
  owner_->TextHostScrollChanged(fnBar);
  return TRUE;
}

void CTextHostUI::TxInvalidateRect(LPCRECT prc, WINBOOL) {
  if (owner_ != nullptr) owner_->TextHostInvalidate(prc);
}

// Changed text arrives through TxInvalidateRect; invalidating here as well
// would repaint for ever, since drawing reports a view change too.
void CTextHostUI::TxViewChange(WINBOOL) {}

// The caret is drawn by the control (a bar in the text colour), so that it
// lands in the double-buffered picture instead of on the window.
WINBOOL CTextHostUI::TxCreateCaret(HBITMAP, INT xWidth, INT yHeight) {
  const RECT old = caretRect_;
  caretSize_ = {xWidth, yHeight};
  caretRect_.right = caretRect_.left + xWidth;
  caretRect_.bottom = caretRect_.top + yHeight;
  if (owner_ != nullptr) owner_->TextHostCaretChanged(old);
  return TRUE;
}

WINBOOL CTextHostUI::TxShowCaret(WINBOOL fShow) {
  caretShown_ = fShow != FALSE;
  if (owner_ != nullptr) owner_->TextHostCaretChanged(caretRect_);
  return TRUE;
}

WINBOOL CTextHostUI::TxSetCaretPos(INT x, INT y) {
  const RECT old = caretRect_;
  caretRect_ = {x, y, x + caretSize_.cx, y + caretSize_.cy};
  if (owner_ != nullptr) owner_->TextHostCaretChanged(old);
  return TRUE;
}

WINBOOL CTextHostUI::TxSetTimer(UINT idTimer, UINT uTimeout) {
  return owner_ != nullptr && owner_->TextHostSetTimer(idTimer, uTimeout) ? TRUE : FALSE;
}

void CTextHostUI::TxKillTimer(UINT idTimer) {
  if (owner_ != nullptr) owner_->TextHostKillTimer(idTimer);
}

void CTextHostUI::TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) {
  if (owner_ != nullptr) owner_->TextHostInvalidate(nullptr);
}

// The window host captures the mouse for the pressed control already and
// releases it on button-up; a second owner of the capture would confuse it.
void CTextHostUI::TxSetCapture(WINBOOL) {}

void CTextHostUI::TxSetFocus() {
  if (owner_ != nullptr) owner_->TextHostSetFocus();
}

void CTextHostUI::TxSetCursor(HCURSOR hcur, WINBOOL) {
  ::SetCursor(hcur);
}

WINBOOL CTextHostUI::TxScreenToClient(LPPOINT lppt) {
  return owner_ != nullptr && ::ScreenToClient(owner_->TextHostWindow(), lppt) ? TRUE : FALSE;
}

WINBOOL CTextHostUI::TxClientToScreen(LPPOINT lppt) {
  return owner_ != nullptr && ::ClientToScreen(owner_->TextHostWindow(), lppt) ? TRUE : FALSE;
}

HRESULT CTextHostUI::TxActivate(LONG* plOldState) {
  if (plOldState != nullptr) *plOldState = 0;
  return S_OK;
}

HRESULT CTextHostUI::TxDeactivate(LONG) {
  return S_OK;
}

HRESULT CTextHostUI::TxGetClientRect(LPRECT prc) {
  if (prc == nullptr) return E_INVALIDARG;
  *prc = clientRect_;
  return S_OK;
}

HRESULT CTextHostUI::TxGetViewInset(LPRECT prc) {
  if (prc == nullptr) return E_INVALIDARG;
  *prc = {0, 0, 0, 0};
  return S_OK;
}

HRESULT CTextHostUI::TxGetCharFormat(const CHARFORMATW** ppCF) {
  if (ppCF == nullptr) return E_INVALIDARG;
  *ppCF = reinterpret_cast<const CHARFORMATW*>(&charFormat_);
  return S_OK;
}

HRESULT CTextHostUI::TxGetParaFormat(const PARAFORMAT** ppPF) {
  if (ppPF == nullptr) return E_INVALIDARG;
  *ppPF = &paraFormat_;
  return S_OK;
}

COLORREF CTextHostUI::TxGetSysColor(int nIndex) {
  return ::GetSysColor(nIndex);
}

HRESULT CTextHostUI::TxGetBackStyle(TXTBACKSTYLE* pstyle) {
  if (pstyle == nullptr) return E_INVALIDARG;
  *pstyle = transparent_ ? TXTBACK_TRANSPARENT : TXTBACK_OPAQUE;
  return S_OK;
}

HRESULT CTextHostUI::TxGetMaxLength(DWORD* plength) {
  if (plength == nullptr) return E_INVALIDARG;
  *plength = static_cast<DWORD>(maxLength_);
  return S_OK;
}

HRESULT CTextHostUI::TxGetScrollBars(DWORD* pdwScrollBar) {
  if (pdwScrollBar == nullptr) return E_INVALIDARG;
  *pdwScrollBar = style_ & (WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
  return S_OK;
}

HRESULT CTextHostUI::TxGetPasswordChar(TCHAR* pch) {
  if (pch == nullptr) return E_INVALIDARG;
  *pch = L'*';
  return S_OK;
}

HRESULT CTextHostUI::TxGetAcceleratorPos(LONG* pcp) {
  if (pcp == nullptr) return E_INVALIDARG;
  *pcp = -1;
  return S_OK;
}

// No zoom: the engine takes the client rectangle as the extent.
HRESULT CTextHostUI::TxGetExtent(LPSIZEL) {
  return E_NOTIMPL;
}

HRESULT CTextHostUI::OnTxCharFormatChange(const CHARFORMATW*) {
  return S_OK;
}
HRESULT CTextHostUI::OnTxParaFormatChange(const PARAFORMAT*) {
  return S_OK;
}

HRESULT CTextHostUI::TxGetPropertyBits(DWORD dwMask, DWORD* pdwBits) {
  if (pdwBits == nullptr) return E_INVALIDARG;
  *pdwBits = propertyBits_ & dwMask;
  return S_OK;
}

HRESULT CTextHostUI::TxNotify(DWORD, void*) {
  return S_OK;
}

// Input method contexts are left to the window's default handling.
HIMC CTextHostUI::TxImmGetContext() {
  return nullptr;
}
void CTextHostUI::TxImmReleaseContext(HIMC) {}

HRESULT CTextHostUI::TxGetSelectionBarWidth(LONG* lSelBarWidth) {
  if (lSelBarWidth == nullptr) return E_INVALIDARG;
  *lSelBarWidth = 0;
  return S_OK;
}

}  // namespace DuiLib
