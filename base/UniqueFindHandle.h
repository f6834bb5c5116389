#pragma once

#include <windows.h>

#include "base/UniqueResource.h"

namespace Launcher {

// A directory search handle from FindFirstFileW, closed with FindClose.
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Release(Type h) { ::FindClose(h); }
};
using UniqueFindHandle = UniqueResource<FindHandleTraits>;

}  // namespace Launcher
