#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "duilib/control/CControlUI.h"
#include "duilib/layout/IContainer.h"

namespace DuiLib {

class CScrollBarUI;

// A control holding an ordered list of children, which it owns, with inner
// margins (inset), a gap between children and the alignment the box layouts
// use, and optional vertical and horizontal scroll bars (owned, created by
// EnableScrollBar or the "vscrollbar"/"hscrollbar" attributes). The plain
// container gives every visible non-floating child its whole inner
// rectangle. UI thread only.
class CContainerUI : public CControlUI, public IContainer {
 public:
  CContainerUI();
  ~CContainerUI() override;

  const wchar_t* GetClass() const override;  // "Container"
  // "Container" gives the CContainerUI, "IContainer" the IContainer.
  void* GetInterface(const wchar_t* name) override;

  // IContainer
  CControlUI* GetItemAt(int index) const override;
  int GetItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int index) override;
  int GetCount() const override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;

  void SetManager(CWindowHostUI* manager, CControlUI* parent, bool init = true) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetMouseEnabled(bool enabled = true) override;
  void SetPos(RECT rc, bool needInvalidate = true) override;
  void Move(SIZE offset, bool needInvalidate = true) override;
  void DoEvent(ControlEventUI& event) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  CControlUI* FindControl(FindControlProc proc, void* data, UINT flags) override;
  bool DoPaint(HDC dc, const RECT& rcPaint, CControlUI* stop) override;

  virtual RECT GetInset() const;
  virtual void SetInset(RECT inset);
  virtual int GetChildPadding() const;
  virtual void SetChildPadding(int padding);
  virtual int GetChildAlign() const;  // UIALIGN_*
  virtual void SetChildAlign(int align);
  virtual int GetChildVAlign() const;  // UIVALIGN_*
  virtual void SetChildVAlign(int align);
  virtual bool IsAutoDestroy() const;
  virtual void SetAutoDestroy(bool autoDestroy);
  virtual bool IsDelayedDestroy() const;
  virtual void SetDelayedDestroy(bool delayed);
  virtual bool IsMouseChildEnabled() const;
  virtual void SetMouseChildEnabled(bool enabled = true);
  // The index of the next visible, enabled child from `index` on in the
  // given direction, or -1.
  virtual int FindSelectable(int index, bool forward = true) const;

  // Scrolling of the content. Positions and ranges are (horizontal,
  // vertical); without the matching bar they are 0 and setting does nothing.
  virtual SIZE GetScrollPos() const;
  virtual SIZE GetScrollRange() const;
  virtual void SetScrollPos(SIZE pos);
  virtual void LineUp();
  virtual void LineDown();
  virtual void PageUp();
  virtual void PageDown();
  virtual void HomeUp();
  virtual void EndDown();
  virtual void LineLeft();
  virtual void LineRight();
  virtual void PageLeft();
  virtual void PageRight();
  virtual void HomeLeft();
  virtual void EndRight();
  // Creates (true) or deletes (false) each bar.
  virtual void EnableScrollBar(bool enableVertical = true, bool enableHorizontal = false);
  virtual CScrollBarUI* GetVerticalScrollBar() const;
  virtual CScrollBarUI* GetHorizontalScrollBar() const;
  // Positions the floating child `index` from its fixed position, sizes and
  // float percentages relative to this container's item rectangle (the host
  // calls it when only that child asked for layout).
  virtual void SetFloatPos(int index);

 protected:
  // Every visible child takes the whole of `inner`, within its own size
  // limits; floating children are placed by SetFloatPos.
  void PlaceChildrenIn(const RECT& inner);
  // Places the visible bars along the right and bottom of `rc` and sets their
  // ranges from the space the children need.
  virtual void ProcessScrollBar(RECT rc, int cxRequired, int cyRequired);

  // The item rectangle less inset and the visible scroll bars.
  RECT InnerRect() const;
  // The vertical (horizontal) bar when it exists and is visible, else null.
  CControlUI* VisibleVerticalBar() const;
  CControlUI* VisibleHorizontalBar() const;
  int VerticalScrollPos() const;
  int VerticalScrollRange() const;
  int HorizontalScrollPos() const;
  int HorizontalScrollRange() const;

  std::vector<std::unique_ptr<CControlUI>> items_;
  RECT inset_ = {0, 0, 0, 0};
  int childPadding_ = 0;
  int childAlign_ = UIALIGN_LEFT;
  int childVAlign_ = UIVALIGN_TOP;
  bool autoDestroy_ = true;
  bool delayedDestroy_ = true;
  bool mouseChildEnabled_ = true;
  // Owned; null until enabled.
  CScrollBarUI* verticalScrollBar_ = nullptr;
  CScrollBarUI* horizontalScrollBar_ = nullptr;
  // Set while the scroll bars' change of visibility lays the container out again.
  bool relayoutRunning_ = false;
};

}  // namespace DuiLib
