#pragma once

#include <string>

// Deletes whatever stands at `path` for good: a file, read-only or not, or a
// directory with everything in it. A link (junction, symbolic link) is removed
// itself; what it points to is never entered, so nothing outside `path` goes.
// True when nothing is left at `path` (including when nothing was there).
// When it fails, what could be deleted is gone and a read-only file that
// stays keeps its flag. Runs on the calling thread.
bool RemoveEntry(const std::wstring& path);
