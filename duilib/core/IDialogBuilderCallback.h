#pragma once

namespace DuiLib {

class CControlUI;

// Asked by CDialogBuilder for skin elements whose names it does not know.
class IDialogBuilderCallback {
 public:
  // A new control for the element named `className` (as written in the
  // skin), or null to skip the element and its subtree. The builder takes
  // ownership of what is returned.
  virtual CControlUI* CreateControl(const wchar_t* className) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

}  // namespace DuiLib
