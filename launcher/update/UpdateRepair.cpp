#include "launcher/update/UpdateRepair.h"

#include <windows.h>

#include <set>

#include "launcher/fs/FileNames.h"
#include "launcher/fs/Installation.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/fs/ReachesThroughLink.h"
#include "launcher/update/PendingDeletionFile.h"
#include "launcher/update/UpdateJournal.h"

namespace Launcher {

namespace {

// A path that leads through a link, or that reaches a file through its short
// alias, may end up somewhere the record never meant: it is left alone.
bool IsPlainPath(const std::wstring& directory, const std::wstring& relative) {
  return !ReachesThroughAlias(directory, relative) && !ReachesThroughLink(directory, relative);
}

// Undoes an update that had not completed; see RepairInterruptedUpdate.
// False when what is left to do could not be listed in "temp".
bool RollBack(const std::wstring& directory, const UpdateJournal::Record& record) {
  const Installation installation(directory);
  std::vector<std::wstring> pending;
  for (auto path = record.created.rbegin(); path != record.created.rend(); ++path) {
    if (!PathExists(directory + *path)) continue;
    // A path through a link stays, listed: "temp" leaves it alone as well.
    if (!IsPlainPath(directory, *path) || !installation.Remove(*path).ok()) pending.push_back(*path);
  }
  // Newest first: a file set aside inside a directory that was set aside
  // later is back only once its directory is. Where a directory could not go
  // back, what was set aside inside it waits for it in "temp".
  std::set<std::wstring> stuck;
  std::vector<std::wstring> restores;
  for (auto entry = record.setAside.rbegin(); entry != record.setAside.rend(); ++entry) {
    bool insideStuck = false;
    for (const std::wstring& key : KeysWithParents(entry->setAsideName)) insideStuck = insideStuck || stuck.count(key);
    if (!PathExists(directory + entry->setAsideName)) {
      // Never moved, or back already; unless it waits inside a stuck directory.
      if (insideStuck) restores.push_back(UpdateJournal::RestoreEntry(*entry));
      continue;
    }
    if (!IsPlainPath(directory, entry->setAsideName) || !IsPlainPath(directory, entry->itemName)) {
      restores.push_back(UpdateJournal::RestoreEntry(*entry));
      stuck.insert(NameKey(entry->itemName));
      continue;
    }
    // Whatever trusted stands at the item's name now was written by the
    // extraction; a file another account put there gives way to the move.
    if (installation.Examine(entry->itemName) == Installation::Standing::Trusted &&
        !installation.Remove(entry->itemName).ok()) {
      pending.push_back(entry->itemName);
    }
    if (!installation.Move(entry->setAsideName, entry->itemName, Installation::Occupant::ReplaceUntrusted).ok()) {
      restores.push_back(UpdateJournal::RestoreEntry(*entry));
      stuck.insert(NameKey(entry->itemName));
    }
  }
  pending.insert(pending.end(), restores.begin(), restores.end());
  return pending.empty() || AddPendingEntries(directory, pending).ok();
}

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
  const bool listed = record.state == UpdateJournal::State::Installing ? RollBack(launcherDirectory, record)
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
