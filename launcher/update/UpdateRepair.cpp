#include "launcher/update/UpdateRepair.h"

#include <windows.h>

#include "launcher/fs/FileNames.h"
#include "launcher/fs/Installation.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/fs/ReachesThroughLink.h"
#include "launcher/update/PendingDeletionFile.h"
#include "launcher/update/RollBack.h"
#include "launcher/update/UpdateJournal.h"

namespace Launcher {

namespace {

// Finishes an update whose every item was written. False when what is left
// to do could not be listed in "temp".
bool Complete(const std::wstring& directory, const UpdateJournal::Record& record) {
  std::vector<std::wstring> setAside;
  for (const SetAsideList::Entry& entry : record.setAside) setAside.push_back(entry.setAsideName);
  // DeleteOrDefer leaves a name through a link alone and lists it.
  const bool listed = DeleteOrDefer(directory, setAside).ok();
  return ForgetPendingDeletions(directory, record.items).ok() && listed;
}

}  // namespace

RepairOutcome RepairInterruptedUpdate(const std::wstring& launcherDirectory) {
  // Without its directory (a path the platform could not report) every name
  // would be taken relative to whatever the current directory is.
  if (!IsFullDirectory(launcherDirectory)) return RepairOutcome::NothingRecorded;
  const UpdateJournal journal(launcherDirectory);
  // A write cut short never replaced the record: the record (if any) still
  // tells the state.
  journal.RemoveUnfinishedWrite();
  UpdateJournal::Record record;
  switch (journal.Read(record)) {
    case UpdateJournal::ReadResult::Missing:
      return RepairOutcome::NothingRecorded;
    case UpdateJournal::ReadResult::Damaged:
      journal.SetDamagedAside();
      return RepairOutcome::DamagedSetAside;
    case UpdateJournal::ReadResult::Untrusted:
      return RepairOutcome::LeftAlone;
    case UpdateJournal::ReadResult::Read:
      break;
  }
  const bool listed = record.state == UpdateJournal::State::Installing
                          ? RollBack(Installation(launcherDirectory), record, RecordKind::Planned).ok()
                          : Complete(launcherDirectory, record);
  // Until what is left is listed in "temp" the record is the only place that
  // names the set-aside files: it stays, and the next start goes over it again.
  if (!listed) return RepairOutcome::Unfinished;
  // The record's package name passed the record's own rule (a plain name,
  // none of the launcher's files nor the product) when it was read.
  if (!record.package.empty() && IsPlainPath(launcherDirectory, record.package)) {
    Installation(launcherDirectory).Remove(record.package);
  }
  journal.Remove();
  return record.state == UpdateJournal::State::Installing ? RepairOutcome::RolledBack : RepairOutcome::Completed;
}

}  // namespace Launcher
