#include "launcher/update/SetAsideList.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "launcher/fs/FileNames.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/update/PendingDeletionFile.h"
#include "launcher/update/PendingEntry.h"

namespace Launcher {

SetAsideList::SetAsideList(std::wstring launcherDirectory, const std::vector<std::wstring>& packageItems)
    : directory_(std::move(launcherDirectory)), installation_(directory_) {
  for (const std::wstring& item : packageItems) {
    for (std::wstring& key : KeysWithParents(item)) reserved_.insert(std::move(key));
  }
}

std::vector<SetAsideList::Entry> SetAsideList::Plan(const std::vector<std::wstring>& candidates) const {
  std::vector<Entry> plan;
  std::set<std::wstring> taken = reserved_;  // set-aside names planned so far count as existing
  std::set<std::wstring> moved;              // what will have left its place
  for (const std::wstring& item : candidates) {
    if (IsAtOrBelowAny(item, moved) || !PathExists(directory_ + item)) continue;
    std::wstring setAside = SetAsideName(directory_, item, taken);
    taken.insert(NameKey(setAside));
    moved.insert(NameKey(item));
    plan.push_back({item, std::move(setAside)});
  }
  return plan;
}

Status SetAsideList::SetAside(const Entry& planned) {
  // A link made since the plan would move the file wherever it points.
  Status moved = installation_.Move(planned.itemName, planned.setAsideName);
  if (moved.ok()) entries_.push_back(planned);
  return moved;
}

Status SetAsideList::Discard() {
  std::vector<std::wstring> names;
  names.reserve(entries_.size());
  for (const Entry& entry : entries_) names.push_back(entry.setAsideName);
  entries_.clear();
  return DeleteOrDefer(directory_, names);
}

std::wstring SetAsideName(const std::wstring& launcherDirectory, const std::wstring& itemName,
                          const std::set<std::wstring>& reserved) {
  const size_t slash = itemName.find_last_of(L"/\\");
  const size_t at = slash == std::wstring::npos ? 0 : slash + 1;
  std::wstring name = itemName;
  do {
    name.insert(at, 1, L'_');
  } while (PathExists(launcherDirectory + name) || reserved.count(NameKey(name)) != 0);
  return name;
}

Status DeleteOrDefer(const std::wstring& launcherDirectory, const std::vector<std::wstring>& names) {
  const Installation installation(launcherDirectory);
  std::vector<std::wstring> remaining;
  for (const std::wstring& name : names) {
    if (!IsInstallationPath(name)) continue;
    if (!installation.Remove(name).ok()) remaining.push_back(name);
  }
  return remaining.empty() ? Status::Ok() : AddPendingEntries(launcherDirectory, remaining);
}

Status AddPendingEntries(const std::wstring& launcherDirectory, const std::vector<std::wstring>& entries) {
  // Entries an earlier run could not finish stay listed: replacing the file
  // would forget them and leave their files behind for good.
  const PendingDeletionFile file(launcherDirectory);
  std::wstring text;
  std::vector<std::wstring> listed;
  if (file.Read(text)) {
    for (std::wstring& entry : PendingDeletionFile::Split(text)) {
      if (PendingEntry::Parse(entry).StaysInside()) listed.push_back(std::move(entry));
    }
  }
  for (const std::wstring& entry : entries) {
    if (!PendingEntry::Parse(entry).StaysInside()) continue;
    if (std::find(listed.begin(), listed.end(), entry) == listed.end()) listed.push_back(entry);
  }
  return file.Write(PendingDeletionFile::Join(listed));
}

Status ForgetPendingDeletions(const std::wstring& launcherDirectory, const std::vector<std::wstring>& installedItems) {
  const PendingDeletionFile file(launcherDirectory);
  std::wstring text;
  if (!file.Read(text) || text.empty()) return Status::Ok();
  std::set<std::wstring> written;
  for (const std::wstring& item : installedItems) {
    for (std::wstring& key : KeysWithParents(item)) written.insert(std::move(key));
  }
  std::vector<std::wstring> kept;
  bool dropped = false;
  for (const std::wstring& listed : PendingDeletionFile::Split(text)) {
    PendingEntry entry = PendingEntry::Parse(listed);
    if (entry.restore) {
      if (written.count(NameKey(entry.restoreTo)) == 0) {
        kept.push_back(listed);
        continue;
      }
      // The old file waiting to go back has been replaced by the new
      // version: it is now an ordinary set-aside file.
      entry = PendingEntry::Deletion(entry.name);
      dropped = true;
    }
    if (written.count(NameKey(entry.name)) != 0) {
      dropped = true;
      continue;
    }
    kept.push_back(entry.Format());
  }
  if (!dropped) return Status::Ok();
  if (kept.empty()) {
    return file.Remove() ? Status::Ok()
                         : Status::Failed("Installation::Remove", launcherDirectory + kPendingDeletionFile);
  }
  return file.Write(PendingDeletionFile::Join(kept));
}

}  // namespace Launcher
