#pragma once

#include <string>

namespace Launcher {

// The product the launcher updates and starts, and how it is started. Knows
// nothing of windows: both the start-up road and the update window use it.

// The product's executable in the launcher directory.
inline constexpr wchar_t kProductExecutable[] = L"VxSpeedUp.exe";
// The maker's number for this build, passed to the product and the home page.
inline constexpr int kProductOemId = 169;

// The product's command line: "<dir>VxSpeedUp.exe" -show -oemid:169.
std::wstring ProductCommandLine(const std::wstring& launcherDirectory);

// Starts the product in `launcherDirectory` without waiting for it. A failure
// to start is not reported (the result says only whether a process was made).
bool LaunchProduct(const std::wstring& launcherDirectory);

// The installed product's "FileVersion", empty when the product or its entry
// is missing.
std::wstring InstalledVersion(const std::wstring& launcherDirectory);

}  // namespace Launcher
