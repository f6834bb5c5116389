#pragma once

#include <string>

namespace Launcher {

// The directory of the running launcher's executable, with its trailing
// backslash, so that a file name can be appended directly
// (C:\Program Files\Product\launcher.exe gives C:\Program Files\Product\).
// Empty when the platform cannot report the module's path, or only cut
// short (260 characters or more).
std::wstring LauncherDirectory();

// The launcher's own executable name (launcher.exe), as the module's path
// reports it; empty when the platform cannot report it.
std::wstring LauncherFileName();

}  // namespace Launcher
