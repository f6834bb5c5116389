#pragma once

#include <windows.h>

#include "base/UniqueResource.h"

// A module reference taken with LoadLibrary(Ex)W; FreeLibrary when the owner
// goes.
struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type m) { return m != nullptr; }
  static void Release(Type m) { ::FreeLibrary(m); }
};
using UniqueModule = UniqueResource<ModuleTraits>;
