#pragma once

#include <string>

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

// The start-up repair, run before the installed version is read. An update
// recorded as installing is rolled back from its record (RollBack, the same
// rollback the worker runs), so that the installation holds its old files;
// the package file is deleted, so that the service offers the update again. An update recorded as installed is
// finished: its set-aside files are deleted or listed in "temp", "temp" forgets the names it wrote, and the package is
// deleted. What cannot be undone now is listed in "temp" (deletions, then "set-aside>name" restore entries) for the
// start-up pass. The record is removed afterwards, unless "temp" could not be written: then it stays (Unfinished), so
// that the next start finishes the work. Nothing is reported to the user. Paths reached through a link or a short (8.3)
// alias are left alone and listed in "temp", which leaves them alone too. A record that is untrusted
// (UpdateJournal::Read) is left as it is.
RepairOutcome RepairInterruptedUpdate(const std::wstring& launcherDirectory);

}  // namespace Launcher
