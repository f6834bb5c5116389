#pragma once

#include <windows.h>

#include <string>

#include "duilib/control/CControlUI.h"
#include "duilib/core/TDrawInfo.h"

namespace DuiLib {

class CContainerUI;

// A vertical or horizontal scroll bar: an arrow button at each end, a thumb
// on the track between them, and the rail image centred on the thumb.
//
// The bar is owned by the container that created it (its owner, which is
// also its parent); the owner pointer is non-owning. With an owner, the
// arrows, the track and thumb dragging call the owner's line, page and
// set-scroll-position operations, which in turn set this bar's position;
// without one the bar moves itself (a line is GetScrollStepSize(), a page
// is the bar's length). Position changes raise the queued notification
// "scroll" (wParam new position, lParam old one), merged with a still
// queued one of the same bar. Holding an arrow or the track repeats its
// step from the sixth tick of a 50 ms timer (control timer 10). UI thread
// only.
class CScrollBarUI : public CControlUI {
 public:
  // Timer id and period of the repeat / drag timer.
  static constexpr UINT kRepeatTimerId = 10;
  static constexpr UINT kRepeatPeriodMs = 50;
  // Ticks that pass before a held arrow or track starts repeating.
  static constexpr int kRepeatDelayTicks = 5;

  // The rectangles of the parts, in the same co-ordinates as the bar.
  struct Parts {
    RECT button1 = {0, 0, 0, 0};  // top / left arrow
    RECT button2 = {0, 0, 0, 0};  // bottom / right arrow
    RECT thumb = {0, 0, 0, 0};    // empty when there is no room for it
  };
  // The geometry of a bar at `bar` (pure arithmetic, no window needed).
  // `thickness` is the bar's fixed width (vertical) or height (horizontal);
  // a position outside 0..range is taken as clamped.
  static Parts LayoutParts(const RECT& bar, bool horizontal, int thickness, int range, int pos, bool showButton1,
                           bool showButton2);

  // The four images of each part, chosen by state when painting.
  enum class Part { Button1, Button2, Thumb, Rail, Background };
  enum class ImageState { Normal, Hot, Pushed, Disabled };

  CScrollBarUI();
  ~CScrollBarUI() override;

  const wchar_t* GetClass() const override;  // "ScrollBar"
  // "ScrollBar" gives the bar, anything else goes to CControlUI.
  void* GetInterface(const wchar_t* name) override;

  CContainerUI* GetOwner() const;
  void SetOwner(CContainerUI* owner);

  bool IsHorizontal() const;
  // A horizontal bar takes its thickness from the fixed height: switching
  // moves the fixed width into the fixed height (and back).
  void SetHorizontal(bool horizontal = true);

  int GetScrollRange() const;
  // Negative ranges become 0; the position is clamped to the new range
  // (without a notification).
  void SetScrollRange(int range);
  int GetScrollPos() const;
  // Negative values become 0, a scroll unit above 1 snaps the value to its
  // nearest multiple (a remainder of half the unit rounds up), the result is
  // clamped to the range. Nothing happens when it equals the current
  // position; otherwise the parts are laid out again and, with
  // `triggerEvent` and a host, "scroll" is queued.
  void SetScrollPos(int pos, bool triggerEvent = true);
  int GetLineSize() const;
  void SetLineSize(int size);  // ignored when negative
  int GetScrollUnit() const;
  void SetScrollUnit(int unit);  // ignored when negative
  // One line: the scroll unit when it is above 1, else the line size.
  int GetScrollStepSize() const;

  bool GetShowButton1() const;
  void SetShowButton1(bool show);
  bool GetShowButton2() const;
  void SetShowButton2(bool show);

  // Fill colour of an arrow or the thumb (0: none). Other parts have none.
  DWORD GetPartColor(Part part) const;
  void SetPartColor(Part part, DWORD color);
  const std::wstring& GetPartImage(Part part, ImageState state) const;
  // Stores `image` when it differs from the stored text or that image is not
  // loaded yet, then repaints the bar.
  void SetPartImage(Part part, ImageState state, const std::wstring& image);

  const Parts& GetParts() const;
  // State bits (UISTATE_*) of an arrow, or of the thumb, rail and background
  // together (Part::Thumb, Part::Rail or Part::Background).
  UINT GetPartState(Part part) const;

  void SetVisible(bool visible = true) override;
  void SetEnabled(bool enabled = true) override;
  void SetPos(RECT rc, bool needInvalidate = true) override;
  void DoEvent(ControlEventUI& event) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  bool DoPaint(HDC dc, const RECT& rcPaint, CControlUI* stop) override;
  void PaintStatusImage(HDC dc) override;

 private:
  void LayoutPartsNow();
  int Length() const;  // height (vertical) or width (horizontal)
  int Thickness() const;
  // The coordinate along the bar (y for a vertical bar, x for a horizontal one).
  LONG Along(POINT pt) const;
  LONG Start(const RECT& rc) const;  // top or left
  LONG End(const RECT& rc) const;    // bottom or right
  void StepLine(bool forward);
  void StepPage(bool forward);
  void ApplyDrag();
  void ForwardToOwner(ControlEventUI& event);
  // The events DoEvent hands on, with the point of the mouse where it counts.
  void OnPress(POINT pt);      // button down or double click: step, page or grab the thumb
  void OnRelease();            // button up: stop repeating, let the thumb go
  void OnMouseMove(POINT pt);  // drag the grabbed thumb, or track its hot state
  void OnRepeat();             // the repeat timer: apply the drag, or keep stepping
  void OnHover(bool enter, POINT pt);
  // One page towards `pt` when it lies before or after the thumb.
  void PageTowards(POINT pt);
  // Draws one part in its state: the chosen image, else the normal one.
  void PaintPart(HDC dc, Part part, const RECT& rc, UINT state);

  CContainerUI* owner_ = nullptr;
  bool horizontal_ = false;
  int range_ = 100;
  int pos_ = 0;
  int lineSize_ = 8;
  int scrollUnit_ = 1;
  POINT dragStart_ = {0, 0};
  int dragStartPos_ = 0;
  int dragOffset_ = 0;
  int ticks_ = 0;
  bool showButton1_ = true;
  bool showButton2_ = true;
  Parts parts_;
  UINT button1State_ = 0;
  UINT button2State_ = 0;
  UINT thumbState_ = 0;  // also the rail's and the background's
  DWORD button1Color_ = 0;
  DWORD button2Color_ = 0;
  DWORD thumbColor_ = 0;
  TDrawInfo images_[5][4];
};

}  // namespace DuiLib
