#pragma once

#include <cwchar>
#include <iterator>

namespace DuiLib {

// One entry of a control class's attribute table: the attribute name as the
// skin writes it (case-sensitive) and the setter that parses its value.
template <typename T>
struct AttributeHandler {
  const wchar_t* name;
  void (*apply)(T& control, const wchar_t* value);
};

// Applies `value` through the entry of `table` named `name`. False when the
// table has no such name (the caller passes it on to its base class).
template <typename T, size_t N>
bool ApplyAttribute(const AttributeHandler<T> (&table)[N], T& control, const wchar_t* name, const wchar_t* value) {
  for (const AttributeHandler<T>& entry : table) {
    if (std::wcscmp(entry.name, name) == 0) {
      entry.apply(control, value);
      return true;
    }
  }
  return false;
}

}  // namespace DuiLib
