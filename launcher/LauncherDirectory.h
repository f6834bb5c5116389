#pragma once

#include <string>

// Names the launcher addresses relative to its own directory.
inline constexpr wchar_t kProductExecutable[] = L"VxSpeedUp.exe";
inline constexpr wchar_t kPendingDeletionFile[] = L"temp";
inline constexpr int kProductOemId = 169;

// The directory of the running launcher's executable, with its trailing
// backslash, so that a file name can be appended directly
// (C:\Program Files\Product\launcher.exe gives C:\Program Files\Product\).
// Empty when the platform cannot report the module's path.
std::wstring LauncherDirectory();

// Whether `path` names an existing file or directory.
bool PathExists(const std::wstring& path);
