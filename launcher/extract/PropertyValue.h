#pragma once

#include <windows.h>

#include <propidl.h>

namespace SevenZip::intl {

// One PROPVARIANT filled by the engine (GetProperty). Owns what the value
// holds (a BSTR path) and clears it on destruction. Not copyable; used on the
// thread that reads the property.
class PropertyValue {
 public:
  PropertyValue() { PropVariantInit(&value_); }
  ~PropertyValue() { PropVariantClear(&value_); }
  PropertyValue(const PropertyValue&) = delete;
  PropertyValue& operator=(const PropertyValue&) = delete;

  // Clears the old value and returns the slot for GetProperty.
  PROPVARIANT* Put() {
    PropVariantClear(&value_);
    return &value_;
  }
  const PROPVARIANT& Get() const { return value_; }
  VARTYPE Type() const { return value_.vt; }

 private:
  PROPVARIANT value_;
};

}  // namespace SevenZip::intl
