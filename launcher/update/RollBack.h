#pragma once

#include "launcher/fs/Installation.h"
#include "launcher/update/PendingList.h"
#include "launcher/update/UpdateJournal.h"

namespace Launcher {

// What a record handed to RollBack knows: what the update did (the
// session's, from the moves that succeeded and the paths the extraction
// created), or only what it planned (the start-up repair's, read back from
// the disk).
enum class RecordKind { Done, Planned };

// Undoes the update `record` describes, in `installation`: what the session
// does when a step fails, and what the start-up repair does with the record
// of an update that was cut short while installing. Runs on the calling
// thread; the caller keeps the record and saves `pending`.
//
// 1. What the update created (record.created, newest first, so that each
//    directory is empty by its turn) is removed where it stands and is the
//    launcher's own (trusted). Something another account put under a new
//    name is not the update's: it is left where it is, unlisted. Nor is a
//    path inside a directory the update was to set aside whole and did not
//    (its set-aside name is free): that directory's files are still the
//    installed ones.
// 2. Every set-aside file goes back to its name, newest first (a file set
//    aside inside a directory that was set aside later goes back once its
//    directory has). What stands under the item's name is the extraction's
//    when it is trusted, and is removed first; another account's file gives
//    way to the move. For a Planned record, a set-aside name that holds
//    another account's file never replaces a trusted file under the item's
//    name: the plan's names were free, so such a file may have been put there
//    before the installed file was to move, which then never left its name.
//    It stays where it is, unlisted. A Done record names only what the
//    session itself moved there, which goes back whoever owns it.
// 3. What cannot be done now is added to `pending` for the start-up pass:
//    first the created paths that could not be removed, then the restores,
//    newest first; what was set aside inside a directory that could not go
//    back waits there too. Paths that lead through a link or a short (8.3)
//    alias are never acted on, only listed.
void RollBack(const Installation& installation, const UpdateJournal::Record& record, RecordKind kind,
              PendingList& pending);

}  // namespace Launcher
