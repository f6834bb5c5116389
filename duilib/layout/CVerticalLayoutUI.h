#pragma once

#include "duilib/layout/CBoxLayoutUI.h"

namespace DuiLib {

// The vertical box: stacks its visible children top to bottom, each placed
// horizontally by the child alignment (CBoxLayoutUI). A child without a fixed
// height is still asked for its estimate. UI thread only.
class CVerticalLayoutUI : public CBoxLayoutUI {
 public:
  CVerticalLayoutUI();
  const wchar_t* GetClass() const override;  // "VerticalLayout"
  void* GetInterface(const wchar_t* name) override;
};

}  // namespace DuiLib
