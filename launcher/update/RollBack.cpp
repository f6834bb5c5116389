#include "launcher/update/RollBack.h"

#include <set>
#include <string>
#include <vector>

#include "launcher/fs/FileNames.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/fs/ReachesThroughLink.h"
#include "launcher/update/PendingEntry.h"
#include "launcher/update/SetAsideList.h"

namespace Launcher {

Status RollBack(const Installation& installation, const UpdateJournal::Record& record, RecordKind kind) {
  const std::wstring& directory = installation.Directory();
  // Items whose set-aside name is free never left (or are back): what the
  // plan counted as new inside them is what was installed there.
  std::set<std::wstring> unmoved;
  for (const SetAsideList::Entry& entry : record.setAside) {
    if (!PathExists(directory + entry.setAsideName)) unmoved.insert(NameKey(entry.itemName));
  }
  std::vector<std::wstring> pending;
  for (auto path = record.created.rbegin(); path != record.created.rend(); ++path) {
    if (!PathExists(directory + *path) || IsAtOrBelowAny(*path, unmoved)) continue;
    if (!IsPlainPath(directory, *path)) {
      pending.push_back(*path);
      continue;
    }
    // Not the update's: a new name another account took stays its own.
    if (installation.Examine(*path) != Installation::Standing::Trusted) continue;
    if (!installation.Remove(*path).ok()) pending.push_back(*path);
  }
  // Where a directory could not go back, what was set aside inside it waits
  // for it in "temp".
  std::set<std::wstring> stuck;
  std::vector<std::wstring> restores;
  for (auto entry = record.setAside.rbegin(); entry != record.setAside.rend(); ++entry) {
    const std::wstring restore = PendingEntry::Restore(entry->setAsideName, entry->itemName).Format();
    if (!PathExists(directory + entry->setAsideName)) {
      // Never moved, or back already; unless it waits inside a stuck
      // directory, where it cannot be seen from here.
      if (IsAtOrBelowAny(entry->setAsideName, stuck)) restores.push_back(restore);
      continue;
    }
    if (!IsPlainPath(directory, entry->setAsideName) || !IsPlainPath(directory, entry->itemName)) {
      restores.push_back(restore);
      stuck.insert(NameKey(entry->itemName));
      continue;
    }
    // Another account's file under a set-aside name never replaces a trusted
    // one: the plan's names were free, so it may have been put there before
    // the installed file was to move, which then never left its name. An
    // installed file of another account's that did move is also left aside
    // rather than replace what the package wrote.
    if (kind == RecordKind::Planned && installation.Examine(entry->setAsideName) != Installation::Standing::Trusted &&
        installation.Examine(entry->itemName) == Installation::Standing::Trusted) {
      continue;
    }
    // Whatever trusted stands at the item's name now was written by the
    // extraction; a file another account put there gives way to the move.
    if (installation.Examine(entry->itemName) == Installation::Standing::Trusted &&
        !installation.Remove(entry->itemName).ok()) {
      pending.push_back(entry->itemName);
    }
    if (!installation.Move(entry->setAsideName, entry->itemName, Installation::Occupant::ReplaceUntrusted).ok()) {
      restores.push_back(restore);
      stuck.insert(NameKey(entry->itemName));
    }
  }
  pending.insert(pending.end(), restores.begin(), restores.end());
  return pending.empty() ? Status::Ok() : AddPendingEntries(directory, pending);
}

}  // namespace Launcher
