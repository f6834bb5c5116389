#include "duilib/core/TDrawInfo.h"

#include "duilib/core/AttributeText.h"

namespace DuiLib {

namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

const wchar_t* SkipBlanks(const wchar_t* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

// Which item named the image last: it decides the resource type used to load it.
enum class NameSource { File, Resource, Color };

}  // namespace

void TDrawInfo::Clear() {
  *this = TDrawInfo();
}

bool TDrawInfo::SetDrawString(const std::wstring& text) {
  // An unresolved attribute is cleared even for the same text, so that a
  // skin change that makes the image loadable is tried again.
  if (text == sDrawString && pImageInfo) return false;
  Clear();
  sDrawString = text;
  return true;
}

void TDrawInfo::Parse() {
  const std::wstring text = sDrawString;
  Clear();
  sDrawString = text;
  bLoaded = true;
  sImageName = text;

  NameSource nameSource = NameSource::File;
  std::wstring resType;
  const wchar_t* p = sDrawString.c_str();
  for (;;) {
    p = SkipBlanks(p);
    const wchar_t* keyStart = p;
    while (*p && *p != L'=' && !IsBlank(*p)) ++p;
    const std::wstring key(keyStart, p);
    p = SkipBlanks(p);
    if (*p != L'=') break;
    p = SkipBlanks(p + 1);
    if (*p != L'\'') break;
    const wchar_t* valueStart = ++p;
    while (*p && *p != L'\'') ++p;
    if (*p != L'\'') break;
    const std::wstring value(valueStart, p);
    ++p;

    if (!value.empty()) {
      const wchar_t* v = value.c_str();
      if (key == L"file") {
        sImageName = value;
        nameSource = NameSource::File;
      } else if (key == L"res") {
        sImageName = value;
        nameSource = NameSource::Resource;
      } else if (key == L"restype") {
        resType = value;
      } else if (key == L"color") {
        sImageName = value;
        nameSource = NameSource::Color;
      } else if (key == L"dest") {
        rcDestOffset = ParseRect(v);
      } else if (key == L"source") {
        rcBmpPart = ParseRect(v);
      } else if (key == L"corner" || key == L"scale9") {
        rcCorner = ParseRect(v);
      } else if (key == L"mask") {
        dwMask = ParseColor(v);
      } else if (key == L"fade") {
        // Out-of-range values are held to the nearest end instead of wrapping.
        const int fade = ParseInt(v);
        uFade = static_cast<BYTE>(fade < 0 ? 0 : fade > 255 ? 255 : fade);
      } else if (key == L"hole") {
        bHole = ParseBool(v);
      } else if (key == L"xtiled") {
        bTiledX = ParseBool(v);
      } else if (key == L"ytiled") {
        bTiledY = ParseBool(v);
      } else if (key == L"hsl") {
        bHSL = ParseBool(v);
      }
    }

    if (!IsBlank(*p)) break;
    if (!*SkipBlanks(p)) break;
  }

  switch (nameSource) {
    case NameSource::File:
      sResType.clear();
      break;
    case NameSource::Resource:
      sResType = resType;
      break;
    case NameSource::Color:
      sResType = L"*COLOR*";
      break;
  }
}

}  // namespace DuiLib
