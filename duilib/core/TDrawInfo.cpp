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

// Applies one key='value' item of an image attribute to `info`; `nameSource`
// and `namedType` remember which item named the image and a given type.
void ApplyItem(TDrawInfo& info, const std::wstring& key, const std::wstring& value, NameSource& nameSource,
               std::wstring& namedType) {
  const wchar_t* v = value.c_str();
  if (key == L"file") {
    info.imageName = value;
    nameSource = NameSource::File;
  } else if (key == L"res") {
    info.imageName = value;
    nameSource = NameSource::Resource;
  } else if (key == L"restype") {
    namedType = value;
  } else if (key == L"color") {
    info.imageName = value;
    nameSource = NameSource::Color;
  } else if (key == L"dest") {
    info.dest = ParseRect(v);
  } else if (key == L"source") {
    info.source = ParseRect(v);
  } else if (key == L"corner" || key == L"scale9") {
    info.corner = ParseRect(v);
  } else if (key == L"mask") {
    info.mask = ParseColor(v);
  } else if (key == L"fade") {
    // Out-of-range values are held to the nearest end instead of wrapping.
    const int level = ParseInt(v);
    info.fade = static_cast<BYTE>(level < 0 ? 0 : level > 255 ? 255 : level);
  } else if (key == L"hole") {
    info.hole = ParseBool(v);
  } else if (key == L"xtiled") {
    info.tiledX = ParseBool(v);
  } else if (key == L"ytiled") {
    info.tiledY = ParseBool(v);
  } else if (key == L"hsl") {
    info.hsl = ParseBool(v);
  }
}

}  // namespace

void TDrawInfo::Clear() {
  *this = TDrawInfo();
}

bool TDrawInfo::SetDrawString(const std::wstring& text) {
  // An unresolved attribute is cleared even for the same text, so that a
  // skin change that makes the image loadable is tried again.
  if (text == drawString && image) return false;
  Clear();
  drawString = text;
  return true;
}

void TDrawInfo::Parse() {
  const std::wstring text = drawString;
  Clear();
  drawString = text;
  loaded = true;
  imageName = text;

  NameSource nameSource = NameSource::File;
  std::wstring namedType;
  const wchar_t* p = drawString.c_str();
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

    if (!value.empty()) ApplyItem(*this, key, value, nameSource, namedType);

    if (!IsBlank(*p)) break;
    if (!*SkipBlanks(p)) break;
  }

  switch (nameSource) {
    case NameSource::File:
      resType.clear();
      break;
    case NameSource::Resource:
      resType = namedType;
      break;
    case NameSource::Color:
      resType = L"*COLOR*";
      break;
  }
}

}  // namespace DuiLib
