#pragma once

#include <windows.h>

#include "base/UniqueResource.h"

// Memory the platform allocated with LocalAlloc for the caller (security
// descriptors from GetSecurityInfo, SDDL conversions), freed with LocalFree.
struct LocalMemoryTraits {
  using Type = HLOCAL;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Release(Type h) { ::LocalFree(h); }
};
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits>;
