#pragma once

#include <windows.h>

#include <string>

namespace Launcher {

// The path the system reports for the open `handle` (links resolved), or
// for what `path` opens, without the "\\?\" prefix and without a final
// separator; empty when it cannot be opened or reported. Run on the calling
// thread; touch nothing.
std::wstring FinalPathOf(HANDLE handle);
std::wstring FinalPath(const std::wstring& path);

// Whether two paths are the same text when letter case is ignored, as the
// file system compares names.
bool SameIgnoringCase(const std::wstring& a, const std::wstring& b);

// `path` (a full path) in the form the platform opens at any length: one of
// MAX_PATH characters or more goes through the "\\?\" prefix, which takes
// the name as it is, so its "/" become "\"; a shorter one is unchanged.
std::wstring OpenablePath(const std::wstring& path);

}  // namespace Launcher
