#include "duilib/core/CHostResourcesUI.h"

#include "base/WindowDC.h"

namespace DuiLib {
namespace {

std::map<std::wstring, std::wstring>& SharedAttributeLists() {
  static std::map<std::wstring, std::wstring> lists;
  return lists;
}

std::map<int, std::wstring>& LanguageStrings() {
  static std::map<int, std::wstring> strings;
  return strings;
}

}  // namespace

CHostResourcesUI::CHostResourcesUI() {
  // The process default font is made together with the first host.
  CFontTableUI::Shared().Default();
}

TFontInfo* CHostResourcesUI::WithMetrics(TFontInfo* info, HDC dc) {
  if (!info || info->hasMetrics) return info;
  if (dc) {
    CFontTableUI::EnsureMetrics(info, dc);
  } else {
    // Painting into a memory bitmap needs metrics before any window exists.
    WindowDC screen(nullptr);
    CFontTableUI::EnsureMetrics(info, screen.Get());
  }
  return info;
}

TFontInfo* CHostResourcesUI::AddFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic,
                                     bool isDefault, bool shared, HDC dc) {
  CFontTableUI& table = shared ? CFontTableUI::Shared() : fonts_;
  TFontInfo* info = table.Add(id, face, size, bold, underline, italic, dc);
  if (info && isDefault) table.SetDefault(face, size, bold, underline, italic, dc);
  return info;
}

TFontInfo* CHostResourcesUI::GetFontInfo(int index, HDC dc) {
  TFontInfo* info = nullptr;
  if (index >= 0) {
    info = fonts_.Find(index);
    if (!info) info = CFontTableUI::Shared().Find(index);
  }
  return info ? WithMetrics(info, dc) : GetDefaultFontInfo(dc);
}

TFontInfo* CHostResourcesUI::GetDefaultFontInfo(HDC dc) {
  TFontInfo* info = fonts_.Default();
  if (!info || info->face.empty()) info = CFontTableUI::Shared().Default();
  return WithMetrics(info, dc);
}

void CHostResourcesUI::RefreshFontMetrics(HDC dc) {
  fonts_.RefreshMetrics(dc);
}

void CHostResourcesUI::AddDefaultAttributeList(const std::wstring& className, const std::wstring& list, bool shared) {
  auto& table = shared ? SharedAttributeLists() : attributeLists_;
  table[className] = list;
}

const wchar_t* CHostResourcesUI::GetDefaultAttributeList(const std::wstring& className) const {
  auto it = attributeLists_.find(className);
  if (it != attributeLists_.end()) return it->second.c_str();
  auto& shared = SharedAttributeLists();
  auto sit = shared.find(className);
  return sit == shared.end() ? nullptr : sit->second.c_str();
}

const TImageInfo* CHostResourcesUI::GetImage(const std::wstring& name) const {
  const TImageInfo* info = images_.Find(name);
  return info ? info : CImageCacheUI::Shared().Find(name);
}

const TImageInfo* CHostResourcesUI::AddImage(const std::wstring& name, const std::wstring& resType, DWORD mask,
                                             bool hsl, bool shared) {
  if (name.empty()) return nullptr;
  CImageCacheUI& cache = shared ? CImageCacheUI::Shared() : images_;
  return cache.Add(name, resType, mask, hsl);
}

void CHostResourcesUI::AddCustomAttribute(const std::wstring& name, const std::wstring& value) {
  if (name.empty() || value.empty()) return;
  customAttributes_.emplace(name, value);
}

const wchar_t* CHostResourcesUI::GetCustomAttribute(const std::wstring& name) const {
  auto it = customAttributes_.find(name);
  return it == customAttributes_.end() ? nullptr : it->second.c_str();
}

void CHostResourcesUI::AddLanguageString(int id, const std::wstring& text) {
  if (id < 0) return;
  LanguageStrings()[id] = text;
}

const std::wstring* CHostResourcesUI::GetLanguageString(int id) {
  auto& strings = LanguageStrings();
  auto it = strings.find(id);
  return it == strings.end() ? nullptr : &it->second;
}

}  // namespace DuiLib
