#pragma once

#include "duilib/layout/CContainerUI.h"

namespace DuiLib {

// Lines its visible children up left to right inside its inner rectangle:
// children with a width keep it, the others share what is left; each child
// is placed vertically by the container's child vertical alignment.
// Floating children are positioned on their own. UI thread only.
class CHorizontalLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override;  // "HorizontalLayout"
  void* GetInterface(const wchar_t* name) override;
  void SetPos(RECT rc, bool needInvalidate = true) override;
};

}  // namespace DuiLib
