#include "launcher/update/SetAsideList.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "launcher/fs/FileNames.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/update/PendingDeletionFile.h"

namespace Launcher {

namespace {

// A pending entry is safe when every name in it stays inside the installation.
bool IsSafeEntry(const std::wstring& entry) {
  const size_t separator = entry.find(PendingDeletionFile::kRestoreSeparator);
  if (separator == std::wstring::npos) return IsInstallationPath(entry);
  return IsInstallationPath(entry.substr(0, separator)) && IsInstallationPath(entry.substr(separator + 1));
}

}  // namespace

SetAsideList::SetAsideList(std::wstring launcherDirectory, const std::vector<std::wstring>& packageItems)
    : directory_(std::move(launcherDirectory)), installation_(directory_) {
  for (const std::wstring& item : packageItems) {
    for (std::wstring& key : KeysWithParents(item)) reserved_.insert(std::move(key));
  }
}

Status SetAsideList::SetAside(const std::wstring& itemName) {
  if (!PathExists(directory_ + itemName)) return Status::Ok();
  const std::wstring setAside = SetAsideName(directory_, itemName, reserved_);
  Status moved = installation_.Move(itemName, setAside);
  if (moved.ok()) entries_.push_back({itemName, setAside});
  return moved;
}

std::vector<SetAsideList::Entry> SetAsideList::Plan(const std::vector<std::wstring>& candidates) const {
  std::vector<Entry> plan;
  std::set<std::wstring> taken = reserved_;  // set-aside names planned so far count as existing
  std::set<std::wstring> moved;              // what will have left its place
  for (const std::wstring& item : candidates) {
    bool gone = false;
    for (const std::wstring& key : KeysWithParents(item)) gone = gone || moved.count(key) != 0;
    if (gone || !PathExists(directory_ + item)) continue;
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

Status SetAsideList::RestoreAll() {
  // Newest first: a file set aside inside a directory that was set aside later
  // can only go back once its directory is back. A move onto a trusted name
  // is refused, so a file that cannot go back is never lost.
  std::vector<Entry> unrestored;
  Status first;
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    // A file another account put under the emptied name gives way.
    Status moved = installation_.Move(entry->setAsideName, entry->itemName, Installation::Occupant::ReplaceUntrusted);
    if (!moved.ok()) {
      unrestored.insert(unrestored.begin(), *entry);
      if (first.ok()) first = std::move(moved);
    }
  }
  entries_ = std::move(unrestored);
  return first;
}

Status SetAsideList::DeferRestore(const std::vector<std::wstring>& leftovers) {
  std::vector<std::wstring> pending = leftovers;
  // The next start works through restore entries in list order; the newest
  // set-aside entry goes first, as in RestoreAll.
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    pending.push_back(entry->setAsideName + PendingDeletionFile::kRestoreSeparator + entry->itemName);
  }
  entries_.clear();
  return pending.empty() ? Status::Ok() : AddPendingEntries(directory_, pending);
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
      if (IsSafeEntry(entry)) listed.push_back(std::move(entry));
    }
  }
  for (const std::wstring& entry : entries) {
    if (!IsSafeEntry(entry)) continue;
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
  for (std::wstring& entry : PendingDeletionFile::Split(text)) {
    const size_t separator = entry.find(PendingDeletionFile::kRestoreSeparator);
    if (separator != std::wstring::npos) {
      if (written.count(NameKey(entry.substr(separator + 1))) == 0) {
        kept.push_back(std::move(entry));
        continue;
      }
      // The old file waiting to go back has been replaced by the new
      // version: it is now an ordinary set-aside file.
      entry.resize(separator);
      dropped = true;
    }
    if (written.count(NameKey(entry)) != 0) {
      dropped = true;
      continue;
    }
    kept.push_back(std::move(entry));
  }
  if (!dropped) return Status::Ok();
  if (kept.empty()) {
    return file.Remove() ? Status::Ok()
                         : Status::Failed("Installation::Remove", launcherDirectory + kPendingDeletionFile);
  }
  return file.Write(PendingDeletionFile::Join(kept));
}

}  // namespace Launcher
