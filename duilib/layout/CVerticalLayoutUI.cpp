#include "duilib/layout/CVerticalLayoutUI.h"

#include <cwchar>

namespace DuiLib {

CVerticalLayoutUI::CVerticalLayoutUI() : CBoxLayoutUI(Orientation::Vertical, true) {}

const wchar_t* CVerticalLayoutUI::GetClass() const {
  return L"VerticalLayout";
}

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"VerticalLayout") == 0) return this;
  return CBoxLayoutUI::GetInterface(name);
}

}  // namespace DuiLib
