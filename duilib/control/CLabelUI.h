#pragma once

#include <windows.h>

#include <string>

#include "duilib/control/CControlUI.h"

namespace DuiLib {

// A control that shows its text: one line or a word-wrapped block, in one
// of the host's fonts, with a text colour for the enabled and the disabled
// state and inner text padding. Without a fixed size it asks for the size
// of its text (font height + 8 for a single line). A label needs its host
// to measure and draw text: without one it estimates only from its fixed
// sizes and draws no text. UI thread only.
class CLabelUI : public CControlUI {
 public:
  CLabelUI();

  const wchar_t* GetClass() const override;  // "Label"
  void* GetInterface(const wchar_t* name) override;
  void SetText(const std::wstring& text) override;
  void SetFixedWidth(int cx) override;
  void SetFixedHeight(int cy) override;
  void DoEvent(ControlEventUI& event) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintText(HDC dc) override;

  // DT_* format flags of the text.
  UINT GetTextStyle() const { return textStyle_; }
  void SetTextStyle(UINT style);
  // The host's font index; -1 is the default font.
  int GetFont() const { return font_; }
  void SetFont(int index);
  DWORD GetTextColor() const { return textColor_; }
  void SetTextColor(DWORD color);
  DWORD GetDisabledTextColor() const { return disabledTextColor_; }
  void SetDisabledTextColor(DWORD color);
  RECT GetTextPadding() const { return textPadding_; }
  void SetTextPadding(RECT padding);
  bool IsMultiLine() const { return (textStyle_ & DT_SINGLELINE) == 0; }
  void SetMultiLine(bool multiLine);
  bool IsShowHtml() const { return showHtml_; }
  void SetShowHtml(bool show) { showHtml_ = show; }

 protected:
  // The line height of the label's font (0 without a host).
  int FontTextHeight() const;
  // `text` measured with DT_CALCRECT added to `style` inside `rc`; `rc`
  // receives the result. Nothing happens without a host.
  void MeasureText(RECT& rc, const std::wstring& text, UINT style) const;
  // Replaces unset text colours by the host's defaults (kept afterwards).
  void ResolveTextColors();

  int font_ = -1;
  UINT textStyle_ = DT_VCENTER | DT_SINGLELINE;
  DWORD textColor_ = 0;
  DWORD disabledTextColor_ = 0;
  RECT textPadding_ = {0, 0, 0, 0};
  bool showHtml_ = false;

  // Estimate cache.
  SIZE lastAvailable_ = {0, 0};
  SIZE lastEstimate_ = {0, 0};
  bool estimateNeeded_ = true;
};

}  // namespace DuiLib
