#include "launcher/UpdateJournal.h"

#include <windows.h>

#include <cstdio>
#include <set>

#include "launcher/fs/Installation.h"
#include "launcher/FileNames.h"
#include "launcher/LauncherDirectory.h"
#include "launcher/PendingDeletionFile.h"
#include "launcher/ProductLauncher.h"
#include "base/WideToUtf8.h"
#include "launcher/extract/ItemPath.h"

namespace Launcher {

namespace {

constexpr char kHeader[] = "Tarvo update journal 1";
constexpr char kLineEnd[] = "\r\n";

unsigned long Crc32(const std::string& bytes) {
  unsigned long crc = 0xFFFFFFFFul;
  for (const char byte : bytes) {
    crc ^= static_cast<unsigned char>(byte);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1ul)));
  }
  return crc ^ 0xFFFFFFFFul;
}

// Control characters would break the lines, and ">" the set-aside entries;
// Windows allows none of them in a name anyway.
bool IsRecordablePath(const std::wstring& path) {
  for (const wchar_t c : path) {
    if (c < 0x20 || c == PendingDeletionFile::kRestoreSeparator) return false;
  }
  return IsInstallationPath(path) && !IsLauncherOwnName(path) && !SameFileName(path, LauncherFileName());
}

bool IsRecordablePackage(const std::wstring& name) {
  if (name.empty()) return true;
  return IsRecordablePath(name) && name.find_first_of(L"\\/") == std::wstring::npos &&
         !SameFileName(name, kProductExecutable);
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

bool FromUtf8(const std::string& bytes, std::wstring& text) {
  text.clear();
  if (bytes.empty()) return true;
  const int size =
      ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (size <= 0) return false;
  text.resize(static_cast<size_t>(size));
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                               size) == size;
}

bool AddLine(std::string& bytes, const char* keyword, const std::wstring& value) {
  std::string utf8;
  if (!WideToUtf8(value, utf8)) return false;
  bytes += keyword;
  bytes += ' ';
  bytes += utf8;
  bytes += kLineEnd;
  return true;
}

}  // namespace

UpdateJournal::UpdateJournal(const std::wstring& launcherDirectory)
    : directory_(launcherDirectory), installation_(launcherDirectory) {}

std::wstring UpdateJournal::RestoreEntry(const SetAsideList::Entry& entry) {
  return entry.setAsideName + PendingDeletionFile::kRestoreSeparator + entry.itemName;
}

bool UpdateJournal::Encode(const Record& record, std::string& bytes) {
  bytes = kHeader;
  bytes += kLineEnd;
  bytes += record.state == State::Installed ? "state installed" : "state installing";
  bytes += kLineEnd;
  if (!IsRecordablePackage(record.package) || !AddLine(bytes, "package", record.package)) return false;
  for (const std::wstring& item : record.items) {
    if (!IsRecordablePath(item) || !AddLine(bytes, "item", item)) return false;
  }
  for (const std::wstring& path : record.created) {
    if (!IsRecordablePath(path) || !AddLine(bytes, "new", path)) return false;
  }
  for (const SetAsideList::Entry& entry : record.setAside) {
    if (!IsRecordablePath(entry.setAsideName) || !IsRecordablePath(entry.itemName)) return false;
    if (!AddLine(bytes, "aside", RestoreEntry(entry))) return false;
  }
  // What the repair would refuse to read is not written either.
  if (!IsConsistent(record)) return false;
  char end[32];
  std::snprintf(end, sizeof end, "end %08lx", Crc32(bytes));
  bytes += end;
  bytes += kLineEnd;
  return true;
}

bool UpdateJournal::Decode(const std::string& bytes, Record& record) {
  // The last line carries the checksum of everything before it.
  const size_t endLine = bytes.rfind("end ");
  if (endLine == std::string::npos || (endLine != 0 && bytes.compare(endLine - 2, 2, kLineEnd) != 0)) return false;
  char expected[32];
  std::snprintf(expected, sizeof expected, "end %08lx\r\n", Crc32(bytes.substr(0, endLine)));
  if (bytes.compare(endLine, std::string::npos, expected) != 0) return false;

  Record read;
  bool stateSeen = false;
  bool packageSeen = false;
  size_t start = 0;
  for (size_t lineNumber = 0; start < endLine; ++lineNumber) {
    const size_t lineEnd = bytes.find(kLineEnd, start);
    const std::string line = bytes.substr(start, lineEnd - start);
    start = lineEnd + 2;
    if (lineNumber == 0) {
      if (line != kHeader) return false;
      continue;
    }
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) return false;
    const std::string keyword = line.substr(0, blank);
    std::wstring value;
    if (!FromUtf8(line.substr(blank + 1), value)) return false;
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
      const size_t separator = value.find(PendingDeletionFile::kRestoreSeparator);
      if (separator == std::wstring::npos) return false;
      SetAsideList::Entry entry{value.substr(separator + 1), value.substr(0, separator)};
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
  if (!Encode(record, bytes)) return Status::Failed("UpdateJournal::Encode", directory_ + kUpdateJournalFile);
  if (bytes.size() > kMaxBytes) return Status::Failed("UpdateJournal::Write", directory_ + kUpdateJournalFile);
  // Written through and flushed before the rename, so that the record never
  // names a state whose bytes are not on the disk yet.
  return installation_.ReplaceDurably(kUpdateJournalFile, bytes);
}

UpdateJournal::ReadResult UpdateJournal::Read(Record& record) const {
  switch (installation_.Examine(kUpdateJournalFile)) {
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
  if (DirectoryExists(directory_ + kUpdateJournalFile)) return ReadResult::Damaged;
  std::string bytes;
  if (!installation_.ReadTrusted(kUpdateJournalFile, kMaxBytes, bytes).ok()) return ReadResult::Damaged;
  return Decode(bytes, record) ? ReadResult::Read : ReadResult::Damaged;
}

bool UpdateJournal::Remove() const {
  return installation_.Remove(kUpdateJournalFile).ok();
}

bool UpdateJournal::SetDamagedAside() const {
  // An older damaged record of ours goes first; anything else under that
  // name stays, and so does the record.
  if (installation_.Examine(kUpdateJournalDamagedFile) == Installation::Standing::Trusted) {
    installation_.Remove(kUpdateJournalDamagedFile);
  }
  return installation_.Move(kUpdateJournalFile, kUpdateJournalDamagedFile, Installation::Occupant::ReplaceUntrusted).ok();
}

void UpdateJournal::RemoveUnfinishedWrite() const {
  installation_.RemoveUnfinishedWrites(kUpdateJournalFile);
}

std::vector<std::wstring> MissingPaths(const std::wstring& launcherDirectory, const std::vector<std::wstring>& items,
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
      bool gone = false;
      for (const std::wstring& directory : KeysWithParents(path)) gone = gone || goneDirectories.count(directory) != 0;
      if (gone || !PathExists(launcherDirectory + path)) missing.push_back(path);
    }
  }
  return missing;
}

}  // namespace Launcher
