#pragma once

#include <windows.h>

#include <string>

#include "base/ComPtr.h"
#include "duilib/core/CTextHostUI.h"
#include "duilib/core/IMessageFilterUI.h"
#include "duilib/core/ITextHostOwnerUI.h"
#include "duilib/layout/CContainerUI.h"

namespace DuiLib {

// A multi-line text control over the platform's windowless rich-text engine
// (msftedit.dll from the system directory, through CTextHostUI).
//
// The engine is created by Init (DoInit, once) when the control has a host
// with a window; before that, and when the engine cannot be created, the
// control keeps its text and settings, paints only its background and
// GetText returns the stored text. The control registers itself as a
// message filter of its host while the engine lives, so that raw mouse
// input inside the text area and keyboard input while focused reach the
// engine; it unregisters and releases the engine in its destructor.
//
// Its vertical bar (the container's "vscrollbar") follows the engine: it is
// shown when the text is taller than the text area and then starts at the
// top. The engine draws text pixels with alpha 0; painting restores an
// opaque alpha over the text area when the target is a 32-bit DIB section.
// UI thread only.
class CRichEditUI : public CContainerUI, public IMessageFilterUI, private ITextHostOwnerUI {
 public:
  static constexpr UINT kCaretTimerId = 20;
  static constexpr LONG kDefaultTextLimit = 32767;

  CRichEditUI();
  ~CRichEditUI() override;

  const wchar_t* GetClass() const override;  // "RichEdit"
  // "RichEdit" gives the control; others go to CContainerUI.
  void* GetInterface(const wchar_t* name) override;
  UINT GetControlFlags() const override;

  // ES_* and WS_VSCROLL / WS_HSCROLL bits given to the engine at creation.
  DWORD GetWinStyle() const;
  // Clears `remove` and sets `add` in the style word (before Init).
  void ModifyWinStyle(DWORD remove, DWORD add);
  bool IsRich() const;
  void SetRich(bool rich);  // before Init
  bool IsReadOnly() const;
  void SetReadOnly(bool readOnly);
  bool IsWantTab() const;
  void SetWantTab(bool want);
  bool IsWantReturn() const;
  void SetWantReturn(bool want);
  bool IsWantCtrlReturn() const;
  void SetWantCtrlReturn(bool want);
  bool IsTransparent() const;
  void SetTransparent(bool transparent);
  int GetFont() const;
  void SetFont(int index);  // the host's font index; -1: its default font
  DWORD GetTextColor() const;
  void SetTextColor(DWORD color);
  RECT GetTextPadding() const;
  void SetTextPadding(RECT padding);
  LONG GetLimitText() const;
  void SetLimitText(LONG chars);

  // Stores the text and, with an engine, replaces its whole content (read-
  // only or not), then shows the start of the text.
  void SetText(const std::wstring& text) override;
  // The engine's whole text (UTF-16, line breaks as "\n"), fetched anew on
  // each call; without an engine the stored text. The reference stays valid
  // until the next call.
  const std::wstring& GetText() const override;

  // The engine (null before Init or when it could not be created).
  ITextServices* GetTextServices() const;
  // The rectangle the engine lays the text out in (window co-ordinates).
  RECT GetTextClientRect() const;
  // Whether the layout showed the vertical bar because the text is taller
  // than the text area.
  bool IsVerticalBarAutoShown() const;

  void DoInit() override;
  void SetPos(RECT rc, bool needInvalidate = true) override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(ControlEventUI& event) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  bool DoPaint(HDC dc, const RECT& rcPaint, CControlUI* stop) override;

  SIZE GetScrollPos() const override;
  SIZE GetScrollRange() const override;
  void SetScrollPos(SIZE pos) override;
  void LineUp() override;
  void LineDown() override;
  void PageUp() override;
  void PageDown() override;
  void HomeUp() override;
  void EndDown() override;
  void LineLeft() override;
  void LineRight() override;
  void PageLeft() override;
  void PageRight() override;
  void HomeLeft() override;
  void EndRight() override;

  // IMessageFilterUI: hands raw input meant for the text to the engine.
  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  // ITextHostOwnerUI
  HWND TextHostWindow() const override;
  HDC TextHostDC() const override;
  void TextHostInvalidate(const RECT* rc) override;
  void TextHostScrollChanged(int bar) override;
  void TextHostShowScrollBar(int bar, bool show) override;
  void TextHostEnableScrollBar(int bar, bool enable) override;
  void TextHostCaretChanged(const RECT& oldCaret) override;
  bool TextHostSetTimer(UINT id, UINT elapse) override;
  void TextHostKillTimer(UINT id) override;
  void TextHostSetFocus() override;

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  // Sends a WM_VSCROLL / WM_HSCROLL command and takes the new position.
  void ScrollEngine(bool vertical, WORD command, int pos = 0);
  // Copies the engine's scroll range and position to the bars.
  void SyncScrollBars();
  void StartCaret();
  void StopCaret();
  bool CaretVisibleNow() const;

  ComPtr<CTextHostUI> host_;
  bool filterRegistered_ = false;
  DWORD style_ = ES_MULTILINE;
  bool rich_ = true;
  bool transparent_ = true;
  bool wantTab_ = true;
  bool wantReturn_ = true;
  bool wantCtrlReturn_ = true;
  bool readOnly_ = false;
  int font_ = -1;
  DWORD textColor_ = 0;
  RECT textPadding_ = {0, 0, 0, 0};
  LONG limitText_ = kDefaultTextLimit;
  bool verticalAutoShown_ = false;
  bool inited_ = false;
  bool layingOut_ = false;
  bool mouseDown_ = false;
  bool caretOn_ = false;
  RECT textRect_ = {0, 0, 0, 0};
  mutable std::wstring engineText_;
};

}  // namespace DuiLib
