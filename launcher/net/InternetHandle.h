#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/UniqueResource.h"

namespace Launcher {

// A WinINet handle (root, connection or request). Closed with
// InternetCloseHandle; null means "no handle".
struct InternetHandleTraits {
  using Type = HINTERNET;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Release(Type h) { ::InternetCloseHandle(h); }
};
using UniqueInternetHandle = UniqueResource<InternetHandleTraits>;

}  // namespace Launcher
