#pragma once

namespace Launcher {

// The moments of an installation (InstallPackage) after which the process may
// end without warning, killed or out of power: each is a state the next
// start's repair (RepairInterruptedUpdate) must bring back to exactly the old
// or exactly the new installation. A watcher is told of each as it passes, on
// the installing thread; tests stop there.
enum class InstallStep {
  Recorded,    // the update record is written; nothing is moved yet
  SetAside,    // one more installed file is set aside (once per file)
  Extracting,  // every replaced file is set aside; the unpacking starts
  Extracted,   // every item is written; the record still says installing
  Committed,   // the record says installed
  Discarded,   // the set-aside files are deleted or listed for deletion
  // The package is deleted; its download record is left to remove. Passed
  // wherever the session deletes the package, a failed update's end too.
  PackageDeleted,
  Finished,    // the package and its download record are deleted; only the update record is left to remove
  RolledBack,  // a failed installation has been undone; the record is left to remove
};

// Receives the steps of one installation. The installation does not own it.
class InstallWatcher {
 public:
  virtual ~InstallWatcher() = default;
  virtual void Reached(InstallStep step) = 0;
};

}  // namespace Launcher
