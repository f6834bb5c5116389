#pragma once

#include <windows.h>

#include "base/UniqueResource.h"

// A device context the owner created (CreateCompatibleDC, CreateDC), deleted
// with DeleteDC. A context obtained with GetDC belongs in WindowDC instead.
struct DeviceContextTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Release(Type h) { ::DeleteDC(h); }
};
using UniqueDC = UniqueResource<DeviceContextTraits>;
