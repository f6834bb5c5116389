#pragma once

#include <string>

#include "base/Status.h"

namespace Launcher {

// Deletes whatever stands at `path` (a full path) for good: a file, read-only
// or not, or a directory with everything in it. A link (junction, symbolic
// link, or anything whose final path is not its own: SevenZip::ResolvesTo) is
// left in place, at `path` or anywhere below it; what it points to is never
// entered nor deleted, so nothing outside `path` goes (Wine's DeleteFileW
// deletes a file link's target). True when nothing is left at `path`
// (including when nothing was there).
// When it fails, what could be deleted is gone and a read-only file that
// stays keeps its flag. Runs on the calling thread.
bool RemoveEntry(const std::wstring& path);

// RemoveEntry for `directory` + `relativePath` (an installation path, below
// the installation `directory`, which ends in a backslash), unless the path
// reaches through a link or resolves elsewhere (SevenZip::ReachesThroughLink):
// then nothing is touched and the result is false.
bool RemoveInstalledEntry(const std::wstring& directory, const std::wstring& relativePath);

// Renames `directory` + `from` to `directory` + `to` (MoveFileExW, copying
// allowed, never replacing), unless either path reaches through a link or
// resolves elsewhere: then nothing moves ("ReachesThroughLink" on the path).
// Ok when it moved; otherwise the platform's code of the failed rename.
Status MoveInstalledEntry(const std::wstring& directory, const std::wstring& from, const std::wstring& to);

}  // namespace Launcher
