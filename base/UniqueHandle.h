#pragma once

#include <windows.h>

#include "base/UniqueResource.h"

// A kernel object handle (event, process, thread, file). Both null and
// INVALID_HANDLE_VALUE mean "no handle", since the platform returns either.
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Release(Type h) { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<KernelHandleTraits>;
