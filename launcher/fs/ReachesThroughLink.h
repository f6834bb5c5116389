#pragma once

#include <windows.h>

#include <string>

#include "launcher/fs/FinalPath.h"
#include "launcher/fs/SafePath.h"

namespace Launcher {

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

// Whether `relativePath` below `directory` leads straight to its own name:
// through no link (ReachesThroughLink) and to no file by its short alias
// (ReachesThroughAlias). What the rollback and the repair act on.
bool IsPlainPath(const std::wstring& directory, const std::wstring& relativePath);

// Whether what `path` opens is `path` itself, not something a link leads to:
// no reparse point at `path`, and its final path equals `expectedFinal`
// (ignoring case). At MAX_PATH characters or more Wine reports no final path;
// there the attributes decide alone. False when `path` cannot be examined.
bool ResolvesTo(const std::wstring& path, const std::wstring& expectedFinal);

}  // namespace Launcher
