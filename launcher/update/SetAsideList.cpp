#include "launcher/update/SetAsideList.h"

#include <utility>

#include "launcher/fs/FileNames.h"

namespace Launcher {

SetAsideList::SetAsideList(const Installation& installation, const std::vector<std::wstring>& packageItems)
    : installation_(installation) {
  for (const std::wstring& item : packageItems) {
    for (std::wstring& key : KeysWithParents(item)) reserved_.insert(std::move(key));
  }
}

std::vector<SetAsideList::Entry> SetAsideList::Plan(const std::vector<std::wstring>& candidates) const {
  std::vector<Entry> plan;
  std::set<std::wstring> taken = reserved_;  // set-aside names planned so far count as existing
  std::set<std::wstring> moved;              // what will have left its place
  for (const std::wstring& item : candidates) {
    if (IsAtOrBelowAny(item, moved) || !installation_.Examine(item).Exists()) continue;
    std::wstring setAside = SetAsideName(installation_, item, taken);
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

void SetAsideList::Discard(PendingList& pending) {
  std::vector<std::wstring> names;
  names.reserve(entries_.size());
  for (const Entry& entry : entries_) names.push_back(entry.setAsideName);
  entries_.clear();
  DeleteOrDefer(installation_, names, pending);
}

std::wstring SetAsideName(const Installation& installation, const std::wstring& itemName,
                          const std::set<std::wstring>& reserved) {
  const size_t slash = itemName.find_last_of(L"/\\");
  const size_t at = slash == std::wstring::npos ? 0 : slash + 1;
  std::wstring name = itemName;
  do {
    name.insert(at, 1, L'_');
  } while (reserved.count(NameKey(name)) != 0 || installation.Examine(name).Exists());
  return name;
}

void DeleteOrDefer(const Installation& installation, const std::vector<std::wstring>& names, PendingList& pending) {
  for (const std::wstring& name : names) {
    if (!IsInstallationPath(name)) continue;
    if (!installation.Remove(name).ok()) pending.Add(PendingList::Entry::Deletion(name));
  }
}

}  // namespace Launcher
