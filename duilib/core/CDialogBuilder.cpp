#include "duilib/core/CDialogBuilder.h"

#include <cwchar>
#include <memory>
#include <vector>

#include "duilib/control/CButtonUI.h"
#include "duilib/control/CControlUI.h"
#include "duilib/control/CLabelUI.h"
#include "duilib/control/CRichEditUI.h"
#include "duilib/control/CScrollBarUI.h"
#include "duilib/core/AttributeText.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/layout/CContainerUI.h"
#include "duilib/layout/CHorizontalLayoutUI.h"
#include "duilib/layout/CVerticalLayoutUI.h"
#include "duilib/layout/IContainer.h"

namespace DuiLib {
namespace {

bool NameIs(const wchar_t* name, const wchar_t* expected) {
  return name && _wcsicmp(name, expected) == 0;
}

// Flags of the resource elements: "true" in any letter case.
bool FlagIs(const wchar_t* value) {
  return value && _wcsicmp(value, L"true") == 0;
}

template <typename T>
CControlUI* Make() {
  return new T;
}

// Element name -> control class (names compared ignoring case).
struct TagEntry {
  const wchar_t* tag;
  CControlUI* (*create)();
};

const TagEntry kTags[] = {
    {L"Control", &Make<CControlUI>},
    {L"Container", &Make<CContainerUI>},
    {L"Label", &Make<CLabelUI>},
    {L"Button", &Make<CButtonUI>},
    {L"VerticalLayout", &Make<CVerticalLayoutUI>},
    {L"VBox", &Make<CVerticalLayoutUI>},
    {L"HorizontalLayout", &Make<CHorizontalLayoutUI>},
    {L"HBox", &Make<CHorizontalLayoutUI>},
    {L"RichEdit", &Make<CRichEditUI>},
    {L"ScrollBar", &Make<CScrollBarUI>},
};

// A `Window` attribute: its name (compared ignoring case unless `exact`)
// and what it sets on the host.
struct WindowAttribute {
  const wchar_t* name;
  bool exact;
  void (*apply)(CWindowHostUI& host, const wchar_t* value);
};

const WindowAttribute kWindowAttributes[] = {
    {L"size", false,
     [](CWindowHostUI& h, const wchar_t* v) {
       const SIZE s = ParseSize(v);
       h.SetInitSize(s.cx, s.cy);
     }},
    {L"sizebox", false, [](CWindowHostUI& h, const wchar_t* v) { h.SetSizeBox(ParseRect(v)); }},
    {L"caption", false, [](CWindowHostUI& h, const wchar_t* v) { h.SetCaptionRect(ParseRect(v)); }},
    {L"roundcorner", false,
     [](CWindowHostUI& h, const wchar_t* v) {
       const SIZE s = ParseSize(v);
       h.SetRoundCorner(s.cx, s.cy);
     }},
    {L"mininfo", false,
     [](CWindowHostUI& h, const wchar_t* v) {
       const SIZE s = ParseSize(v);
       h.SetMinInfo(s.cx, s.cy);
     }},
    {L"maxinfo", false,
     [](CWindowHostUI& h, const wchar_t* v) {
       const SIZE s = ParseSize(v);
       h.SetMaxInfo(s.cx, s.cy);
     }},
    {L"showdirty", false, [](CWindowHostUI& h, const wchar_t* v) { h.SetShowUpdateRect(ParseBool(v)); }},
    {L"noactivate", true, [](CWindowHostUI& h, const wchar_t* v) { h.SetNoActivate(ParseBool(v)); }},
    {L"opacity", false, [](CWindowHostUI& h, const wchar_t* v) { h.SetOpacity(static_cast<BYTE>(ParseInt(v))); }},
    // Read and dropped: the toolkit does not paint layered windows.
    {L"layeredopacity", true, [](CWindowHostUI&, const wchar_t*) {}},
    {L"layeredimage", true, [](CWindowHostUI&, const wchar_t*) {}},
    {L"disabledfontcolor", false, [](CWindowHostUI& h, const wchar_t* v) { h.SetDefaultDisabledColor(ParseColor(v)); }},
    {L"defaultfontcolor", false, [](CWindowHostUI& h, const wchar_t* v) { h.SetDefaultFontColor(ParseColor(v)); }},
    {L"linkfontcolor", false, [](CWindowHostUI& h, const wchar_t* v) { h.SetDefaultLinkFontColor(ParseColor(v)); }},
    {L"linkhoverfontcolor", false,
     [](CWindowHostUI& h, const wchar_t* v) { h.SetDefaultLinkHoverFontColor(ParseColor(v)); }},
    {L"selectedcolor", false, [](CWindowHostUI& h, const wchar_t* v) { h.SetDefaultSelectedBkColor(ParseColor(v)); }},
};

}  // namespace

// ---- Loading ---------------------------------------------------------------

bool CDialogBuilder::Load(const wchar_t* source, const wchar_t* resType) {
  if (!source) return false;
  if (IS_INTRESOURCE(source)) {
    std::vector<BYTE> bytes;
    if (!resType || !CResourceSettingsUI::ReadResource(source, resType, bytes)) return false;
    if (!xml_.LoadFromMem(bytes.data(), bytes.size(), XmlEncoding::Utf8)) return false;
    resType_ = resType;
    return true;
  }
  if (source[0] == L'<') return xml_.Load(source);
  return xml_.LoadFromFile(source, XmlEncoding::Utf8);
}

CControlUI* CDialogBuilder::Create(const wchar_t* source, const wchar_t* resType, IDialogBuilderCallback* callback,
                                   CWindowHostUI* manager, CControlUI* parent) {
  if (!Load(source, resType)) return nullptr;
  return Create(callback, manager, parent);
}

CControlUI* CDialogBuilder::Create(IDialogBuilderCallback* callback, CWindowHostUI* manager, CControlUI* parent) {
  callback_ = callback;
  CXmlNode root = xml_.GetRoot();
  if (!root.IsValid()) return nullptr;
  if (manager) {
    RegisterResources(root, manager);
    if (NameIs(root.GetName(), L"Window") && manager->GetPaintWindow()) ApplyWindowAttributes(root, manager);
  }
  return Parse(root, parent, manager);
}

// ---- Window-wide resources -------------------------------------------------

void CDialogBuilder::RegisterResources(CXmlNode root, CWindowHostUI* manager) {
  for (CXmlNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
    const wchar_t* tag = node.GetName();
    const int count = node.GetAttributeCount();
    if (NameIs(tag, L"Font")) {
      int id = -1;
      int size = 12;
      const wchar_t* face = nullptr;
      bool bold = false, underline = false, italic = false, isDefault = false, shared = false;
      for (int i = 0; i < count; ++i) {
        const wchar_t* name = node.GetAttributeName(i);
        const wchar_t* value = node.GetAttributeValue(i);
        if (NameIs(name, L"id")) id = ParseInt(value);
        if (NameIs(name, L"name")) face = value;
        if (NameIs(name, L"size")) size = ParseInt(value);
        if (NameIs(name, L"bold")) bold = FlagIs(value);
        if (NameIs(name, L"underline")) underline = FlagIs(value);
        if (NameIs(name, L"italic")) italic = FlagIs(value);
        if (NameIs(name, L"default")) isDefault = FlagIs(value);
        if (NameIs(name, L"shared")) shared = FlagIs(value);
      }
      if (id >= 0 && face) manager->AddFont(id, face, size, bold, underline, italic, isDefault, shared);
    } else if (NameIs(tag, L"Default")) {
      const wchar_t* className = nullptr;
      const wchar_t* list = L"";
      bool shared = false;
      for (int i = 0; i < count; ++i) {
        const wchar_t* name = node.GetAttributeName(i);
        const wchar_t* value = node.GetAttributeValue(i);
        if (NameIs(name, L"name")) className = value;
        if (NameIs(name, L"value")) list = value;
        if (NameIs(name, L"shared")) shared = FlagIs(value);
      }
      if (className) manager->AddDefaultAttributeList(className, list, shared);
    } else if (NameIs(tag, L"Image")) {
      const wchar_t* imageName = nullptr;
      const wchar_t* resType = L"";
      DWORD mask = 0;
      bool shared = false;
      for (int i = 0; i < count; ++i) {
        const wchar_t* name = node.GetAttributeName(i);
        const wchar_t* value = node.GetAttributeValue(i);
        if (NameIs(name, L"name")) imageName = value;
        if (NameIs(name, L"restype")) resType = value;
        if (NameIs(name, L"mask")) mask = ParseColor(value);
        if (NameIs(name, L"shared")) shared = FlagIs(value);
      }
      if (imageName) manager->AddImage(imageName, resType, mask, false, shared);
    } else if (NameIs(tag, L"MultiLanguage")) {
      int id = -1;
      const wchar_t* text = nullptr;
      for (int i = 0; i < count; ++i) {
        const wchar_t* name = node.GetAttributeName(i);
        const wchar_t* value = node.GetAttributeValue(i);
        if (NameIs(name, L"id")) id = ParseInt(value);
        if (NameIs(name, L"value")) text = value;
      }
      if (id >= 0 && text) CWindowHostUI::AddMultiLanguageString(id, text);
    }
  }
}

void CDialogBuilder::ApplyWindowAttributes(CXmlNode root, CWindowHostUI* manager) {
  const int count = root.GetAttributeCount();
  for (int i = 0; i < count; ++i) {
    const wchar_t* name = root.GetAttributeName(i);
    const wchar_t* value = root.GetAttributeValue(i);
    bool known = false;
    for (const WindowAttribute& attribute : kWindowAttributes) {
      const bool same = attribute.exact ? std::wcscmp(name, attribute.name) == 0 : NameIs(name, attribute.name);
      if (!same) continue;
      attribute.apply(*manager, value);
      known = true;
      break;
    }
    if (!known) manager->AddWindowCustomAttribute(name, value);
  }
}

// ---- Controls --------------------------------------------------------------

CControlUI* CDialogBuilder::CreateControl(const wchar_t* tag) {
  for (const TagEntry& entry : kTags) {
    if (NameIs(tag, entry.tag)) return entry.create();
  }
  if (callback_) return callback_->CreateControl(tag);
  return nullptr;
}

void CDialogBuilder::Include(CXmlNode node, CControlUI* parent, CWindowHostUI* manager) {
  if (!node.HasAttributes() || includeDepth_ >= kMaxIncludeDepth) return;
  int count = 1;
  wchar_t source[kMaxIncludeSource + 1] = {};
  bool hasSource = false;
  const int attributes = node.GetAttributeCount();
  for (int i = 0; i < attributes; ++i) {
    const wchar_t* name = node.GetAttributeName(i);
    const wchar_t* value = node.GetAttributeValue(i);
    if (NameIs(name, L"count")) count = ParseInt(value);
    if (NameIs(name, L"source")) {
      std::wcsncpy(source, value, kMaxIncludeSource);
      hasSource = true;
    }
  }
  if (!hasSource) return;

  CDialogBuilder builder;
  builder.includeDepth_ = includeDepth_ + 1;
  for (int i = 0; i < count; ++i) {
    CControlUI* built = nullptr;
    if (i > 0) {
      built = builder.Create(callback_, manager, parent);
    } else if (!resType_.empty()) {
      built = builder.Create(MAKEINTRESOURCEW(ParseInt(source)), resType_.c_str(), callback_, manager, parent);
    } else {
      built = builder.Create(source, nullptr, callback_, manager, parent);
    }
    // Built under a parent, the control belongs to it; without one nobody
    // would own it.
    if (!parent) delete built;
  }
}

CControlUI* CDialogBuilder::Parse(CXmlNode node, CControlUI* parent, CWindowHostUI* manager) {
  IContainer* container = nullptr;
  bool containerLooked = false;
  CControlUI* result = nullptr;
  for (CXmlNode element = node.GetChild(); element.IsValid(); element = element.GetSibling()) {
    const wchar_t* tag = element.GetName();
    if (NameIs(tag, L"Image") || NameIs(tag, L"Font") || NameIs(tag, L"Default") || NameIs(tag, L"MultiLanguage")) {
      continue;
    }
    if (NameIs(tag, L"Include")) {
      Include(element, parent, manager);
      continue;
    }

    std::unique_ptr<CControlUI> control(CreateControl(tag));
    if (!control) continue;
    if (element.HasChildren()) Parse(element, control.get(), manager);

    if (parent) {
      const wchar_t* cover = element.GetAttributeValue(L"cover");
      if (cover && std::wcscmp(cover, L"true") == 0) {
        parent->SetCover(control.get());
      } else {
        if (!containerLooked) {
          container = static_cast<IContainer*>(parent->GetInterface(L"IContainer"));
          containerLooked = true;
        }
        if (!container) return nullptr;
        if (!container->Add(control.get())) continue;  // refused: destroyed
      }
    } else if (result) {
      // A second top-level control has no owner: drop it rather than leak.
      continue;
    }
    CControlUI* raw = control.release();  // owned by the parent, or the caller's result

    if (manager) {
      raw->SetManager(manager, raw->GetParent(), false);
      if (const wchar_t* list = manager->GetDefaultAttributeList(tag)) raw->ApplyAttributeList(list);
    }
    const int count = element.GetAttributeCount();
    for (int i = 0; i < count; ++i) raw->SetAttribute(element.GetAttributeName(i), element.GetAttributeValue(i));
    // The tree meets its host when the window attaches the root.
    if (manager) raw->SetManager(nullptr, raw->GetParent(), false);

    if (!result) result = raw;
  }
  return result;
}

}  // namespace DuiLib
