#include "duilib/layout/CHorizontalLayoutUI.h"

#include <cwchar>

namespace DuiLib {

CHorizontalLayoutUI::CHorizontalLayoutUI() : CBoxLayoutUI(Orientation::Horizontal, false) {}

const wchar_t* CHorizontalLayoutUI::GetClass() const {
  return L"HorizontalLayout";
}

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"HorizontalLayout") == 0) return this;
  return CBoxLayoutUI::GetInterface(name);
}

}  // namespace DuiLib
