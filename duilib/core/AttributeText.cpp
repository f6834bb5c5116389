#include "duilib/core/AttributeText.h"

#include <cwchar>

namespace DuiLib {
namespace {

const wchar_t* OrEmpty(const wchar_t* text) {
  return text ? text : L"";
}

// Skins write lists as "a,b,c,d"; the character after a number is a
// separator, but a list cut short must not make us step past its end.
const wchar_t* SkipSeparator(const wchar_t* p) {
  return *p ? p + 1 : p;
}

}  // namespace

int ParseInt(const wchar_t* text, const wchar_t** end) {
  text = OrEmpty(text);
  wchar_t* stop = nullptr;
  const long value = std::wcstol(text, &stop, 10);
  if (end) *end = stop;
  return static_cast<int>(value);
}

void ParseIntList(const wchar_t* text, int* values, int count) {
  const wchar_t* p = OrEmpty(text);
  for (int i = 0; i < count; ++i) {
    const wchar_t* stop = p;
    values[i] = ParseInt(p, &stop);
    p = SkipSeparator(stop);
  }
}

RECT ParseRect(const wchar_t* text) {
  int v[4];
  ParseIntList(text, v, 4);
  return RECT{v[0], v[1], v[2], v[3]};
}

RECT ParseBorderSize(const wchar_t* text) {
  if (text && std::wcschr(text, L',')) return ParseRect(text);
  const int size = ParseInt(text);
  return RECT{size, size, size, size};
}

SIZE ParseSize(const wchar_t* text) {
  int v[2];
  ParseIntList(text, v, 2);
  return SIZE{v[0], v[1]};
}

void ParseDoubleList(const wchar_t* text, double* values, int count) {
  const wchar_t* p = OrEmpty(text);
  for (int i = 0; i < count; ++i) {
    wchar_t* stop = nullptr;
    values[i] = std::wcstod(p, &stop);
    p = SkipSeparator(stop);
  }
}

DWORD ParseColor(const wchar_t* text, bool skipBlanks) {
  const wchar_t* p = OrEmpty(text);
  if (skipBlanks) {
    while (*p > L'\0' && *p <= L' ') ++p;
  }
  if (*p == L'#') ++p;
  wchar_t* stop = nullptr;
  return static_cast<DWORD>(std::wcstoul(p, &stop, 16));
}

bool ParseBool(const wchar_t* text) {
  return text && std::wcscmp(text, L"true") == 0;
}

}  // namespace DuiLib
