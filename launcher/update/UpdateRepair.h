#pragma once

#include "launcher/fs/Installation.h"
#include "launcher/update/PendingList.h"
#include "launcher/update/UpdateJournal.h"

namespace Launcher {

// What the start-up repair found and did.
enum class RepairOutcome {
  NothingRecorded,  // no record: no update was cut short
  RolledBack,       // an unfinished update was undone and its package deleted
  Completed,        // an update that had installed was finished
  DamagedSetAside,  // the record was damaged or foreign: renamed, nothing else touched
  Unfinished,       // repaired as far as possible, but what is left could not be listed in
                    // "temp": the record stays for the next start
  LeftAlone,        // the record is not one only an administrator can have written: untouched
};

// The start-up repair of `installation`, run before the installed version is
// read. An update recorded as installing is rolled back from its record
// (RollBack, the same rollback the update session runs), so that the
// installation holds its old files; the package file is deleted, so that the
// service offers the update again. An update recorded as installed is
// finished (FinishInstalled) and its package deleted. What cannot be undone
// now is listed in "temp" (deletions, then "set-aside>name" restore entries)
// for the start-up pass. The record is removed afterwards, unless "temp"
// could not be written: then it stays (Unfinished), so that the next start
// finishes the work. Nothing is reported to the user. Paths reached through a
// link or a short (8.3) alias are left alone and listed in "temp", which
// leaves them alone too. A record that is untrusted (UpdateJournal::Read) is
// left as it is.
RepairOutcome RepairInterruptedUpdate(const Installation& installation);

// Finishes an update whose every item was written, as the session does and
// the repair does for a record that says installed: the set-aside files are
// deleted, those that cannot be are added to `pending`, and `pending` forgets
// the names the package wrote. The caller saves `pending`.
void FinishInstalled(const Installation& installation, const UpdateJournal::Record& record, PendingList& pending);

}  // namespace Launcher
