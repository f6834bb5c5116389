#pragma once

#include "duilib/layout/CContainerUI.h"

namespace DuiLib {

// Stacks its visible children top to bottom inside its inner rectangle:
// children with a height keep it, the others share what is left; each child
// is placed horizontally by the container's child alignment. Floating
// children are positioned on their own. UI thread only.
class CVerticalLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override;  // "VerticalLayout"
  void* GetInterface(const wchar_t* name) override;
  void SetPos(RECT rc, bool needInvalidate = true) override;
};

}  // namespace DuiLib
