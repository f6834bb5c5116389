#pragma once

#include <windows.h>

#include <string>

#include "duilib/core/CXmlDocument.h"
#include "duilib/core/IDialogBuilderCallback.h"

namespace DuiLib {

class CControlUI;
class CWindowHostUI;

// Turns a skin document into a tree of controls for one window. With a
// host, the document's fonts, default attribute lists, images and language
// strings are registered with it first and, when the host has a window, the
// `Window` element's attributes are applied to it; then one control is
// created per layout element, recursively, and attached to its parent.
//
// The caller owns the returned tree (normally handing it to the host's
// AttachDialog). Failures return null: a document that cannot be loaded or
// has no root, a missing resource, a parent that is not a container.
// Elements no creator knows are skipped with their subtree. A builder is
// used on the stack; its document lives as long as it does. UI thread only.
class CDialogBuilder {
 public:
  // Nested `Include` elements deeper than this are not followed (a skin that
  // includes itself would otherwise never end).
  static constexpr int kMaxIncludeDepth = 16;
  // `source` characters an `Include` may name.
  static constexpr size_t kMaxIncludeSource = 499;

  CDialogBuilder() = default;
  CDialogBuilder(const CDialogBuilder&) = delete;
  CDialogBuilder& operator=(const CDialogBuilder&) = delete;

  // Loads `source` and builds from it: skin text when it starts with '<', a
  // numbered resource of type `resType` when it is MAKEINTRESOURCE(id) (the
  // type is then remembered for `Include`), else a skin file name (read
  // through CResourceSettingsUI, UTF-8). `parent` may be null.
  CControlUI* Create(const wchar_t* source, const wchar_t* resType = nullptr,
                     IDialogBuilderCallback* callback = nullptr, CWindowHostUI* manager = nullptr,
                     CControlUI* parent = nullptr);
  // Builds again from the document already loaded.
  CControlUI* Create(IDialogBuilderCallback* callback = nullptr, CWindowHostUI* manager = nullptr,
                     CControlUI* parent = nullptr);

  CXmlDocument* GetMarkup() { return &xml_; }
  const wchar_t* GetLastErrorMessage() const { return xml_.GetLastErrorMessage(); }
  const wchar_t* GetLastErrorLocation() const { return xml_.GetLastErrorLocation(); }

 private:
  bool Load(const wchar_t* source, const wchar_t* resType);
  void RegisterResources(CXmlNode root, CWindowHostUI* manager);
  void ApplyWindowAttributes(CXmlNode root, CWindowHostUI* manager);
  // Builds the children of `node` under `parent`; the first control made at
  // this level, or null.
  CControlUI* Parse(CXmlNode node, CControlUI* parent, CWindowHostUI* manager);
  void Include(CXmlNode node, CControlUI* parent, CWindowHostUI* manager);
  CControlUI* CreateControl(const wchar_t* tag);

  CXmlDocument xml_;
  IDialogBuilderCallback* callback_ = nullptr;
  std::wstring resType_;  // empty unless loaded from a numbered resource
  int includeDepth_ = 0;
};

}  // namespace DuiLib
