#pragma once

#include <windows.h>

// The exported function `name` of `module` as the pointer type `Fn`, or null
// when the module is null or lacks the export. The caller vouches for the
// signature. Any thread.
template <typename Fn>
Fn ProcAddressAs(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  // GetProcAddress answers a generic function pointer; going through
  // void(*)() is the sanctioned way to reach the real signature.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}
