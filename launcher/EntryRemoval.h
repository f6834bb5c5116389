#pragma once

#include <string>

#include "base/Status.h"
#include "launcher/fs/Installation.h"

namespace Launcher {

// The flow's two file operations on installation paths, as the set-aside
// list, "temp" and the repair use them; both go through the installation's
// gate (launcher/fs/Installation.h) for `directory`, the installation
// directory (ending in a backslash), with `relativePath` below it.

// Installation::Remove: deletes whatever stands there, read-only files and
// whole directories too; a link stays where it is and is never entered.
// True when nothing is left.
bool RemoveInstalledEntry(const std::wstring& directory, const std::wstring& relativePath);

// Installation::Move from `from` to `to` in the same directory, never
// replacing anything but, with Occupant::ReplaceUntrusted, a file another
// account put under an emptied name. Ok when it moved; otherwise the cause
// ("ReachesThroughLink" when either leads through a link).
Status MoveInstalledEntry(const std::wstring& directory, const std::wstring& from, const std::wstring& to,
                          Installation::Occupant occupant = Installation::Occupant::Keep);

}  // namespace Launcher
