#include "launcher/SetAsideList.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "launcher/LauncherDirectory.h"
#include "launcher/PendingDeletionFile.h"

SetAsideList::SetAsideList(std::wstring launcherDirectory) : directory_(std::move(launcherDirectory)) {}

bool SetAsideList::SetAside(const std::wstring& itemName) {
  if (!PathExists(directory_ + itemName)) return true;
  const std::wstring setAside = SetAsideName(directory_, itemName);
  if (!::MoveFileExW((directory_ + itemName).c_str(), (directory_ + setAside).c_str(), MOVEFILE_COPY_ALLOWED)) {
    return false;
  }
  entries_.push_back({itemName, setAside});
  return true;
}

bool SetAsideList::RestoreAll() {
  bool restored = true;
  // Newest first: a file set aside inside a directory that was set aside later
  // can only go back once its directory is back.
  while (!entries_.empty()) {
    const Entry& entry = entries_.back();
    if (!::MoveFileExW((directory_ + entry.setAsideName).c_str(), (directory_ + entry.itemName).c_str(),
                       MOVEFILE_COPY_ALLOWED)) {
      restored = false;
    }
    entries_.pop_back();
  }
  return restored;
}

void SetAsideList::Discard() {
  std::vector<std::wstring> names;
  names.reserve(entries_.size());
  for (const Entry& entry : entries_) names.push_back(entry.setAsideName);
  entries_.clear();
  DeleteOrDefer(directory_, names);
}

std::wstring SetAsideName(const std::wstring& launcherDirectory, const std::wstring& itemName) {
  const size_t slash = itemName.find_last_of(L"/\\");
  const size_t at = slash == std::wstring::npos ? 0 : slash + 1;
  std::wstring name = itemName;
  do {
    name.insert(at, 1, L'_');
  } while (PathExists(launcherDirectory + name));
  return name;
}

void DeleteOrDefer(const std::wstring& launcherDirectory, const std::vector<std::wstring>& names) {
  std::vector<std::wstring> remaining;
  for (const std::wstring& name : names) {
    if (!::DeleteFileW((launcherDirectory + name).c_str())) remaining.push_back(name);
  }
  if (remaining.empty()) return;

  // Names an earlier run could not delete stay listed: replacing the file
  // would forget them and leave their files behind for good.
  const PendingDeletionFile file(launcherDirectory);
  std::wstring text;
  std::vector<std::wstring> listed = file.Read(text) ? PendingDeletionFile::Split(text) : std::vector<std::wstring>();
  for (const std::wstring& name : remaining) {
    if (std::find(listed.begin(), listed.end(), name) == listed.end()) listed.push_back(name);
  }
  file.Write(PendingDeletionFile::Join(listed));
}
