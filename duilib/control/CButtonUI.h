#pragma once

#include <windows.h>

#include <string>

#include "duilib/control/CLabelUI.h"
#include "duilib/core/TDrawInfo.h"

namespace DuiLib {

// A label that follows the mouse and the keyboard (state word of
// UISTATE_* bits), paints an image per state and sends "click" through its
// host when activated: released inside after a press inside, or the blank
// key / return while focused. Images, text colours and borders may differ
// for the hot, pushed, focused and disabled states; a missing state image
// falls back to the normal one. UI thread only.
class CButtonUI : public CLabelUI {
 public:
  CButtonUI();

  const wchar_t* GetClass() const override;  // "Button"
  void* GetInterface(const wchar_t* name) override;
  UINT GetControlFlags() const override;
  // Sends "click" synchronously; false when invisible or disabled.
  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(ControlEventUI& event) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintText(HDC dc) override;
  void PaintStatusImage(HDC dc) override;
  void PaintBorder(HDC dc) override;

  UINT GetState() const { return state_; }

  void SetNormalImage(const std::wstring& image);
  void SetHotImage(const std::wstring& image);
  void SetPushedImage(const std::wstring& image);
  void SetFocusedImage(const std::wstring& image);
  void SetDisabledImage(const std::wstring& image);
  const std::wstring& GetNormalImage() const { return normalImage_.drawString; }
  const std::wstring& GetHotImage() const { return hotImage_.drawString; }
  const std::wstring& GetPushedImage() const { return pushedImage_.drawString; }

  void SetHotBkColor(DWORD color);
  void SetHotTextColor(DWORD color);
  void SetPushedTextColor(DWORD color);
  void SetFocusedTextColor(DWORD color);

 private:
  // Sets `bits` (or clears them) and repaints when the word changed.
  void ChangeState(UINT bits, bool set);
  void SetImage(TDrawInfo& info, const std::wstring& image);

  UINT state_ = 0;
  TDrawInfo normalImage_;
  TDrawInfo hotImage_;
  TDrawInfo pushedImage_;
  TDrawInfo focusedImage_;
  TDrawInfo disabledImage_;
  DWORD hotBkColor_ = 0;
  DWORD hotTextColor_ = 0;
  DWORD pushedTextColor_ = 0;
  DWORD focusedTextColor_ = 0;
  DWORD hotBorderColor_ = 0;
  DWORD pushedBorderColor_ = 0;
  RECT hotBorderSize_ = {0, 0, 0, 0};
  RECT pushedBorderSize_ = {0, 0, 0, 0};
};

}  // namespace DuiLib
