#pragma once

#include <windows.h>

#include <richedit.h>
#include <textserv.h>

#include <string>

#include "base/ComPtr.h"
#include "base/RefCounted.h"
#include "duilib/core/ITextHostOwnerUI.h"

namespace DuiLib {

// Our ITextHost: the bridge between a windowless rich-text engine
// (CreateTextServices of msftedit.dll, loaded from the system directory) and
// one control. It owns the engine's ITextServices; the engine and the
// control share the host through its reference count (RefCounted). The
// engine's references to the host would keep both alive for ever, so the
// owning control calls Shutdown before it drops its reference. The methods
// of ITextHost use the engine's calling convention as textserv.h declares
// them. UI thread only.
class CTextHostUI final : public RefCounted<ITextHost> {
 public:
  // The settings a host is created with.
  struct Settings {
    DWORD style = ES_MULTILINE;  // ES_* and WS_VSCROLL / WS_HSCROLL flags
    bool rich = true;
    bool transparent = true;
    bool readOnly = false;
    LONG maxLength = 32767;
    HFONT font = nullptr;  // null: the stock GUI font
    COLORREF textColor = 0;
    std::wstring text;
  };

  // Creates the engine with `settings`; null when msftedit.dll, its entry
  // point or its interface id are missing or creation fails.
  static ComPtr<CTextHostUI> Create(ITextHostOwnerUI* owner, const Settings& settings);

  // The engine; null after Shutdown.
  ITextServices* Services() const { return services_.Get(); }
  // Releases the engine and forgets the owner; later calls do nothing.
  void Shutdown();

  // The rectangle (window client co-ordinates) the text is laid out in.
  const RECT& ClientRect() const { return clientRect_; }
  void SetClientRect(const RECT& rc);
  void SetReadOnly(bool readOnly);
  void SetTransparent(bool transparent);
  void SetFont(HFONT font);
  void SetTextColor(COLORREF color);
  void SetMaxLength(LONG length);
  void SetParagraphAlignment(WORD alignment);  // PFA_*

  // The caret the engine asked for, and whether it wants it shown.
  const RECT& CaretRect() const { return caretRect_; }
  bool IsCaretShown() const { return caretShown_; }

  // ---- IUnknown ------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;

  // ---- ITextHost -----------------------------------------------------------
  HDC TxGetDC() override;
  INT TxReleaseDC(HDC hdc) override;
  WINBOOL TxShowScrollBar(INT fnBar, WINBOOL fShow) override;
  WINBOOL TxEnableScrollBar(INT fuSBFlags, INT fuArrowflags) override;
  WINBOOL TxSetScrollRange(INT fnBar, LONG nMinPos, INT nMaxPos, WINBOOL fRedraw) override;
  WINBOOL TxSetScrollPos(INT fnBar, INT nPos, WINBOOL fRedraw) override;
  void TxInvalidateRect(LPCRECT prc, WINBOOL fMode) override;
  void TxViewChange(WINBOOL fUpdate) override;
  WINBOOL TxCreateCaret(HBITMAP hbmp, INT xWidth, INT yHeight) override;
  WINBOOL TxShowCaret(WINBOOL fShow) override;
  WINBOOL TxSetCaretPos(INT x, INT y) override;
  WINBOOL TxSetTimer(UINT idTimer, UINT uTimeout) override;
  void TxKillTimer(UINT idTimer) override;
  void TxScrollWindowEx(INT dx, INT dy, LPCRECT lprcScroll, LPCRECT lprcClip, HRGN hrgnUpdate, LPRECT lprcUpdate,
                        UINT fuScroll) override;
  void TxSetCapture(WINBOOL fCapture) override;
  void TxSetFocus() override;
  void TxSetCursor(HCURSOR hcur, WINBOOL fText) override;
  WINBOOL TxScreenToClient(LPPOINT lppt) override;
  WINBOOL TxClientToScreen(LPPOINT lppt) override;
  HRESULT TxActivate(LONG* plOldState) override;
  HRESULT TxDeactivate(LONG lNewState) override;
  HRESULT TxGetClientRect(LPRECT prc) override;
  HRESULT TxGetViewInset(LPRECT prc) override;
  HRESULT TxGetCharFormat(const CHARFORMATW** ppCF) override;
  HRESULT TxGetParaFormat(const PARAFORMAT** ppPF) override;
  COLORREF TxGetSysColor(int nIndex) override;
  HRESULT TxGetBackStyle(TXTBACKSTYLE* pstyle) override;
  HRESULT TxGetMaxLength(DWORD* plength) override;
  HRESULT TxGetScrollBars(DWORD* pdwScrollBar) override;
  HRESULT TxGetPasswordChar(TCHAR* pch) override;
  HRESULT TxGetAcceleratorPos(LONG* pcp) override;
  HRESULT TxGetExtent(LPSIZEL lpExtent) override;
  HRESULT OnTxCharFormatChange(const CHARFORMATW* pcf) override;
  HRESULT OnTxParaFormatChange(const PARAFORMAT* ppf) override;
  HRESULT TxGetPropertyBits(DWORD dwMask, DWORD* pdwBits) override;
  HRESULT TxNotify(DWORD iNotify, void* pv) override;
  HIMC TxImmGetContext() override;
  void TxImmReleaseContext(HIMC himc) override;
  HRESULT TxGetSelectionBarWidth(LONG* lSelBarWidth) override;

 private:
  CTextHostUI(ITextHostOwnerUI* owner, const Settings& settings);
  ~CTextHostUI() override;
  void FillCharFormat(HFONT font);
  void ChangeBits(DWORD mask, DWORD bits);

  ITextHostOwnerUI* owner_;
  ComPtr<ITextServices> services_;
  DWORD style_;
  DWORD propertyBits_ = 0;
  bool transparent_;
  LONG maxLength_;
  RECT clientRect_ = {0, 0, 0, 0};
  CHARFORMAT2W charFormat_ = {};
  PARAFORMAT2 paraFormat_ = {};
  RECT caretRect_ = {0, 0, 0, 0};
  SIZE caretSize_ = {0, 0};
  bool caretShown_ = false;
};

}  // namespace DuiLib
