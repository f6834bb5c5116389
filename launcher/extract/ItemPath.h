#pragma once

#include <string>

namespace SevenZip {

// The path under which an item without a name (a bare lzma stream) is written.
inline constexpr wchar_t kUnnamedItemPath[] = L"[Content]";

// Whether an archive item path may be written below a target directory: it
// must be relative, carry no drive, UNC or stream prefix (no ":") and no
// wildcard, have no component that Windows reads as the parent directory
// (".." and its variants made only of dots and blanks) or as a device (CON,
// NUL, COM1, ... with any extension), and name more than the directory itself.
// Both "\" and "/" separate components. Anything else is refused, so that a
// hostile package can neither write nor move nor remove anything outside.
bool IsSafeItemPath(const std::wstring& path);

}  // namespace SevenZip
