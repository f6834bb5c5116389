#pragma once

#include <windows.h>

#include "duilib/layout/CContainerUI.h"

namespace DuiLib {

// The box layout of both orientations: it lines its visible children up
// along one axis inside its inner rectangle and places each across the other
// by the container's child alignment. Children with a size along the axis
// keep it, the others share what is left, the last of them taking the
// rounding remainder; floating children are positioned on their own, and the
// scroll bars follow the content. CVerticalLayoutUI and CHorizontalLayoutUI
// are its two orientations; the skins name those. UI thread only.
class CBoxLayoutUI : public CContainerUI {
 public:
  enum class Orientation {
    Vertical,    // along: top to bottom; across: child alignment (left, center, right)
    Horizontal,  // along: left to right; across: child vertical alignment (top, vcenter, bottom)
  };

  void SetPos(RECT rc, bool needInvalidate = true) override;

 protected:
  // `askUnsized`: whether a child without a fixed size along the axis is
  // still asked for its estimate (the vertical box asks, the horizontal one
  // lets such a child share the rest without asking).
  CBoxLayoutUI(Orientation orientation, bool askUnsized);

 private:
  const Orientation orientation_;
  const bool askUnsized_;
};

}  // namespace DuiLib
