#include "launcher/update/UpdateJournal.h"

#include <windows.h>

#include <set>

#include "launcher/fs/FileNames.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/fs/RecordLines.h"
#include "launcher/update/PendingList.h"

namespace Launcher {

namespace {

constexpr char kHeader[] = "Tarvo update journal 1";

// Control characters would break the lines, and ">" the set-aside entries;
// Windows allows none of them in a name anyway.
bool IsRecordablePath(const std::wstring& path) {
  for (const wchar_t c : path) {
    if (c < 0x20 || c == PendingList::Entry::kSeparator) return false;
  }
  return IsInstallationPath(path) && !IsLauncherOwnName(path) && !SameFileName(path, LauncherFileName());
}

bool IsRecordablePackage(const std::wstring& name) {
  return name.empty() || IsPlainPackageName(name, LauncherFileName());
}

// What the worker records always holds together: every new path is an item
// or a directory above one, every set-aside entry sets aside an item under
// the exact set-aside form of its name, and the package is none of those. A
// record that does not could have the repair delete or replace any file.
bool IsConsistent(const UpdateJournal::Record& record) {
  std::set<std::wstring> items;
  std::set<std::wstring> itemsAndParents;
  for (const std::wstring& item : record.items) {
    items.insert(NameKey(item));
    for (std::wstring& key : KeysWithParents(item)) itemsAndParents.insert(std::move(key));
  }
  for (const std::wstring& path : record.created) {
    if (itemsAndParents.count(NameKey(path)) == 0) return false;
  }
  for (const SetAsideList::Entry& entry : record.setAside) {
    // A directory the package only writes into is set aside whole when
    // another account may change it: an item or a directory above one.
    if (itemsAndParents.count(NameKey(entry.itemName)) == 0 || !IsSetAsideFormOf(entry.setAsideName, entry.itemName)) {
      return false;
    }
  }
  return record.package.empty() || itemsAndParents.count(NameKey(record.package)) == 0;
}

}  // namespace

bool UpdateJournal::Encode(const Record& record, std::string& bytes) {
  RecordLines lines(kHeader);
  lines.Add("state", record.state == State::Installed ? L"installed" : L"installing");
  if (!IsRecordablePackage(record.package) || !lines.Add("package", record.package)) return false;
  for (const std::wstring& item : record.items) {
    if (!IsRecordablePath(item) || !lines.Add("item", item)) return false;
  }
  for (const std::wstring& path : record.created) {
    if (!IsRecordablePath(path) || !lines.Add("new", path)) return false;
  }
  for (const SetAsideList::Entry& entry : record.setAside) {
    if (!IsRecordablePath(entry.setAsideName) || !IsRecordablePath(entry.itemName)) return false;
    if (!lines.Add("aside", PendingList::Entry::Restore(entry.setAsideName, entry.itemName).Format())) {
      return false;
    }
  }
  // What the repair would refuse to read is not written either.
  if (!IsConsistent(record)) return false;
  bytes = lines.Seal();
  return true;
}

bool UpdateJournal::Decode(const std::string& bytes, Record& record) {
  std::vector<RecordLines::Line> lines;
  if (!RecordLines::Open(bytes, kHeader, lines)) return false;
  Record read;
  bool stateSeen = false;
  bool packageSeen = false;
  for (const auto& [keyword, value] : lines) {
    if (keyword == "state" && !stateSeen) {
      stateSeen = true;
      if (value == L"installing") {
        read.state = State::Installing;
      } else if (value == L"installed") {
        read.state = State::Installed;
      } else {
        return false;
      }
    } else if (keyword == "package" && !packageSeen) {
      packageSeen = true;
      if (!IsRecordablePackage(value)) return false;
      read.package = value;
    } else if (keyword == "item" || keyword == "new") {
      if (!IsRecordablePath(value)) return false;
      (keyword == "item" ? read.items : read.created).push_back(value);
    } else if (keyword == "aside") {
      const PendingList::Entry aside = PendingList::Entry::Parse(value);
      if (!aside.restore) return false;
      SetAsideList::Entry entry{aside.restoreTo, aside.name};
      if (!IsRecordablePath(entry.setAsideName) || !IsRecordablePath(entry.itemName)) return false;
      read.setAside.push_back(std::move(entry));
    } else {
      return false;
    }
  }
  if (!stateSeen || !packageSeen || !IsConsistent(read)) return false;
  record = std::move(read);
  return true;
}

Status UpdateJournal::Write(const Record& record) const {
  std::string bytes;
  const std::wstring path = installation_.PathOf(kUpdateJournalFile);
  if (!Encode(record, bytes)) return Status::Failed(Status::Kind::Refused, "UpdateJournal::Encode", path);
  if (bytes.size() > kMaxBytes) return Status::Failed(Status::Kind::Refused, "UpdateJournal::Write", path);
  // Written through and flushed before the rename, so that the record never
  // names a state whose bytes are not on the disk yet.
  return installation_.ReplaceDurably(kUpdateJournalFile, bytes);
}

UpdateJournal::ReadResult UpdateJournal::Read(Record& record) const {
  const Installation::Examined found = installation_.Examine(kUpdateJournalFile);
  switch (found.standing) {
    case Installation::Standing::Missing:
      return ReadResult::Missing;
    case Installation::Standing::Untrusted:
    case Installation::Standing::Elsewhere:
      // Another account may create files here: a record it could have
      // written, or one reached through a link, is not the worker's.
      return ReadResult::Untrusted;
    case Installation::Standing::Trusted:
      break;
  }
  if (found.directory) return ReadResult::Damaged;
  std::string bytes;
  if (!installation_.ReadTrusted(kUpdateJournalFile, kMaxBytes, bytes).ok()) return ReadResult::Damaged;
  return Decode(bytes, record) ? ReadResult::Read : ReadResult::Damaged;
}

Status UpdateJournal::Remove() const {
  return installation_.Remove(kUpdateJournalFile);
}

Status UpdateJournal::SetDamagedAside() const {
  // An older damaged record of ours goes first; anything else under that
  // name stays, and so does the record.
  if (installation_.Examine(kUpdateJournalDamagedFile).standing == Installation::Standing::Trusted) {
    // When it stays, the move below fails and the record stays where it is.
    static_cast<void>(installation_.Remove(kUpdateJournalDamagedFile));
  }
  return installation_.Move(kUpdateJournalFile, kUpdateJournalDamagedFile, Installation::Occupant::ReplaceUntrusted);
}

void UpdateJournal::RemoveUnfinishedWrite() const {
  installation_.RemoveUnfinishedWrites(kUpdateJournalFile);
}

std::vector<std::wstring> MissingPaths(const Installation& installation, const std::vector<std::wstring>& items,
                                       const std::set<std::wstring>& goneDirectories) {
  std::vector<std::wstring> missing;
  std::set<std::wstring> seen;
  for (const std::wstring& item : items) {
    // Every prefix that ends before a separator is a directory the item needs.
    for (size_t end = 0; end <= item.size(); ++end) {
      if (end < item.size() && item[end] != L'\\' && item[end] != L'/') continue;
      const std::wstring path = item.substr(0, end);
      const std::wstring key = NameKey(path);
      if (key.empty() || !seen.insert(key).second) continue;
      if (IsAtOrBelowAny(path, goneDirectories) || !installation.Examine(path).Exists()) missing.push_back(path);
    }
  }
  return missing;
}

}  // namespace Launcher
