#pragma once

#include "duilib/layout/CBoxLayoutUI.h"

namespace DuiLib {

// The horizontal box: lines its visible children up left to right, each
// placed vertically by the child vertical alignment (CBoxLayoutUI). A child
// without a fixed width shares the rest without being asked. UI thread only.
class CHorizontalLayoutUI : public CBoxLayoutUI {
 public:
  CHorizontalLayoutUI();
  const wchar_t* GetClass() const override;  // "HorizontalLayout"
  void* GetInterface(const wchar_t* name) override;
};

}  // namespace DuiLib
