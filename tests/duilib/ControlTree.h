#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "duilib/control/CControlUI.h"
#include "duilib/core/CWindowHostUI.h"

// A control tree built by CDialogBuilder and attached to a host that has no
// window, as the controls tests use it. The host owns the tree.
struct ControlTree {
  std::unique_ptr<DuiLib::CWindowHostUI> host = std::make_unique<DuiLib::CWindowHostUI>();
  DuiLib::CControlUI* root = nullptr;

  // Builds `source` (skin file name or skin text), attaches it and, when
  // `width` > 0, lays it out in (0, 0, width, height). `root` stays null on
  // failure.
  ControlTree(const wchar_t* source, int width = 0, int height = 0);
  void Layout(int width, int height);
  DuiLib::CControlUI* Find(const wchar_t* name) const;
};

// Installs the program's own skin package (this test's ZIPRES 101) as the
// toolkit's package, once per process.
void UseSkinPackage();

// The control at `path` below `root`: "" is the root, "0.2" the third child
// of the first child. Null when a step does not exist.
DuiLib::CControlUI* ControlAt(DuiLib::CControlUI* root, const std::string& path);

// "Class(Child,Child(...))" for a tree, by class names.
std::wstring DescribeTree(DuiLib::CControlUI* control);

// "l,t,r,b".
std::string RectText(const RECT& rc);
