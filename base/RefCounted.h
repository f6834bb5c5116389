#pragma once

#include <windows.h>

// COM-style reference counting for an object that implements `Interfaces`
// (each derived from IUnknown): the count starts at 0, the creator takes the
// first reference, counts change by interlocked increment and decrement, and
// the object deletes itself when the count drops to 0. The deriving class
// answers QueryInterface and keeps its destructor private or protected.
template <typename... Interfaces>
class RefCounted : public Interfaces... {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  RefCounted() = default;
  virtual ~RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

 private:
  LONG references_ = 0;
};
