#include "tests/duilib/ControlTree.h"

#include <sstream>

#include "duilib/core/CDialogBuilder.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "duilib/layout/IContainer.h"
#include "tests/duilib/SkinBytes.h"

using DuiLib::CControlUI;
using DuiLib::IContainer;

ControlTree::ControlTree(const wchar_t* source, int width, int height) {
  DuiLib::CDialogBuilder builder;
  root = builder.Create(source, nullptr, nullptr, host.get(), nullptr);
  if (!root) return;
  host->AttachDialog(root);
  if (width > 0) Layout(width, height);
}

void ControlTree::Layout(int width, int height) {
  root->SetPos(RECT{0, 0, width, height}, false);
}

CControlUI* ControlTree::Find(const wchar_t* name) const {
  return host->FindControl(std::wstring(name));
}

void UseSkinPackage() {
  static const std::string package = SkinPackageBytes();
  DuiLib::CResourceSettingsUI::SetResourceZip(package.data(), package.size());
}

CControlUI* ControlAt(CControlUI* root, const std::string& path) {
  CControlUI* control = root;
  std::istringstream steps(path);
  std::string step;
  while (control && std::getline(steps, step, '.')) {
    auto* container = static_cast<IContainer*>(control->GetInterface(L"IContainer"));
    control = container ? container->GetItemAt(std::stoi(step)) : nullptr;
  }
  return control;
}

std::wstring DescribeTree(CControlUI* control) {
  if (!control) return L"null";
  std::wstring out = control->GetClass();
  auto* container = static_cast<IContainer*>(control->GetInterface(L"IContainer"));
  if (container && container->GetCount() > 0) {
    out += L"(";
    for (int i = 0; i < container->GetCount(); ++i) {
      if (i > 0) out += L",";
      out += DescribeTree(container->GetItemAt(i));
    }
    out += L")";
  }
  return out;
}

std::string RectText(const RECT& rc) {
  return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
         std::to_string(rc.bottom);
}
