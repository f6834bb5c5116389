#pragma once

#include <string>
#include <vector>

namespace Launcher {

// Whether an archive item path may be written below a target directory: it
// must be relative, carry no drive, UNC or stream prefix (no ":") and no
// wildcard, have no component that Windows reads as the parent directory
// (".." and its variants made only of dots and blanks) or as a device (CON,
// NUL, COM1, ... with any extension), no component ending in a dot or a blank
// (Windows drops them in some places and keeps them in others, so the
// name could reach a different file than it says), and name more than the
// directory itself. Both "\" and "/" separate components. Anything else is
// refused, so that a hostile package can neither write nor move nor remove
// anything outside.
bool IsSafeItemPath(const std::wstring& path);

// The components of a relative path as Windows walks them: split at "\"
// and "/", empty and "." components left out ("a\\.\\b/" gives "a", "b").
std::vector<std::wstring> PathComponents(const std::wstring& path);

}  // namespace Launcher
