#include "launcher/update/RollBack.h"

#include <set>
#include <string>
#include <vector>

#include "launcher/fs/FileNames.h"

namespace Launcher {

namespace {

using Standing = Installation::Standing;

// Removes what the update created, newest first; what cannot go now is
// added to `pending`.
void RemoveCreated(const Installation& installation, const UpdateJournal::Record& record, PendingList& pending) {
  // Items whose set-aside name is free never left (or are back): what the
  // plan counted as new inside them is what was installed there.
  std::set<std::wstring> unmoved;
  for (const SetAsideList::Entry& entry : record.setAside) {
    if (!installation.Examine(entry.setAsideName).Exists()) unmoved.insert(NameKey(entry.itemName));
  }
  for (auto path = record.created.rbegin(); path != record.created.rend(); ++path) {
    if (IsAtOrBelowAny(*path, unmoved)) continue;
    switch (installation.Examine(*path).standing) {
      case Standing::Missing:
      case Standing::Untrusted:  // not the update's: a new name another account took stays its own
        break;
      case Standing::Elsewhere:
        pending.Add(PendingList::Entry::Deletion(*path));
        break;
      case Standing::Trusted:
        if (!installation.Remove(*path).ok()) pending.Add(PendingList::Entry::Deletion(*path));
        break;
    }
  }
}

}  // namespace

void RollBack(const Installation& installation, const UpdateJournal::Record& record, RecordKind kind,
              PendingList& pending) {
  RemoveCreated(installation, record, pending);
  // Where a directory could not go back, what was set aside inside it waits
  // for it in "temp".
  std::set<std::wstring> stuck;
  std::vector<PendingList::Entry> restores;
  for (auto entry = record.setAside.rbegin(); entry != record.setAside.rend(); ++entry) {
    const PendingList::Entry restore = PendingList::Entry::Restore(entry->setAsideName, entry->itemName);
    const Installation::Examined aside = installation.Examine(entry->setAsideName);
    if (!aside.Exists()) {
      // Never moved, or back already; unless it waits inside a stuck
      // directory, where it cannot be seen from here.
      if (IsAtOrBelowAny(entry->setAsideName, stuck)) restores.push_back(restore);
      continue;
    }
    const Standing item = installation.Examine(entry->itemName).standing;
    if (aside.standing == Standing::Elsewhere || item == Standing::Elsewhere) {
      restores.push_back(restore);
      stuck.insert(NameKey(entry->itemName));
      continue;
    }
    // Another account's file under a set-aside name never replaces a trusted
    // one: the plan's names were free, so it may have been put there before
    // the installed file was to move, which then never left its name.
    if (kind == RecordKind::Planned && aside.standing != Standing::Trusted && item == Standing::Trusted) continue;
    // Whatever trusted stands at the item's name now was written by the
    // extraction; a file another account put there gives way to the move.
    if (item == Standing::Trusted && !installation.Remove(entry->itemName).ok()) {
      pending.Add(PendingList::Entry::Deletion(entry->itemName));
    }
    if (!installation.Move(entry->setAsideName, entry->itemName, Installation::Occupant::ReplaceUntrusted).ok()) {
      restores.push_back(restore);
      stuck.insert(NameKey(entry->itemName));
    }
  }
  for (const PendingList::Entry& restore : restores) pending.Add(restore);
}

}  // namespace Launcher
