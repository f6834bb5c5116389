#pragma once

#include <windows.h>

#include <string>

namespace SevenZip {

// The path under which an item without a name (a bare lzma stream) is written.
inline constexpr wchar_t kUnnamedItemPath[] = L"[Content]";

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

// Whether `relativePath` below `directory` (a full path ending in a
// separator) leads anywhere but to `directory` + `relativePath`: some
// existing component of it is a reparse point (a symbolic link, a junction,
// a mount point) or resolves elsewhere (the final path the system reports
// for it differs from the directory's own final path followed by the
// component names, compared without regard to case; this also catches file
// links that show no reparse attribute, and short 8.3 aliases). Components
// that do not exist end the check: nothing can be passed through there yet
// (nor below a `directory` that does not exist).
// A component that cannot be examined, or a path IsSafeItemPath refuses,
// counts as leading elsewhere. Runs on the calling thread; touches nothing.
bool ReachesThroughLink(const std::wstring& directory, const std::wstring& relativePath);
// The same with `directoryFinal`, the final path FinalPath(directory) gave,
// for a caller that checks many paths below one directory; an empty one is
// looked up here.
bool ReachesThroughLink(const std::wstring& directory, const std::wstring& directoryFinal,
                        const std::wstring& relativePath);

// The path the system reports for the open `handle` (links resolved), or
// for what `path` opens, without the "\\?\" prefix and without a final
// separator; empty when it cannot be opened or reported.
std::wstring FinalPathOf(HANDLE handle);
std::wstring FinalPath(const std::wstring& path);

// Whether what `path` opens is `path` itself, not something a link leads to:
// no reparse point at `path`, and its final path equals `expectedFinal`
// (ignoring case). At MAX_PATH characters or more Wine reports no final path;
// there the attributes decide alone. False when `path` cannot be examined.
bool ResolvesTo(const std::wstring& path, const std::wstring& expectedFinal);

// Whether two paths are the same text when letter case is ignored, as the
// file system compares names.
bool SameIgnoringCase(const std::wstring& a, const std::wstring& b);

}  // namespace SevenZip
