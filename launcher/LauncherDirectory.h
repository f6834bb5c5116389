#pragma once

#include <string>

#include "base/FileSystem.h"

// Names the launcher addresses relative to its own directory.
inline constexpr wchar_t kProductExecutable[] = L"VxSpeedUp.exe";
inline constexpr wchar_t kPendingDeletionFile[] = L"temp";
inline constexpr int kProductOemId = 169;

// The directory of the running launcher's executable, with its trailing
// backslash, so that a file name can be appended directly
// (C:\Program Files\Product\launcher.exe gives C:\Program Files\Product\).
// Empty when the platform cannot report the module's path.
std::wstring LauncherDirectory();
