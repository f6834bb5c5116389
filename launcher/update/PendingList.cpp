#include "launcher/update/PendingList.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "launcher/fs/FileNames.h"
#include "launcher/fs/LauncherDirectory.h"

namespace Launcher {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::wstring DecodeText(const std::string& bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b == 0) continue;
    if (b == '<' && i + 5 < bytes.size() && bytes[i + 5] == '>') {
      int value = 0;
      bool hex = true;
      for (size_t k = 1; k <= 4 && hex; ++k) {
        const int digit = HexValue(bytes[i + k]);
        hex = digit >= 0;
        value = value * 16 + digit;
      }
      if (hex && value > 0xFF) {
        text += static_cast<wchar_t>(value);
        i += 5;
        continue;
      }
    }
    text += static_cast<wchar_t>(b);
  }
  return text;
}

// A restore must be the exact set-aside form of its name, and no entry may
// name the product, the launcher or the launcher's own files: those stay
// listed for a person to see, but are never acted on.
bool MayActOn(const PendingList::Entry& entry, const std::wstring& launcherFileName) {
  if (IsProtectedName(entry.name, launcherFileName)) return false;
  return !entry.restore ||
         (IsSetAsideFormOf(entry.name, entry.restoreTo) && !IsProtectedName(entry.restoreTo, launcherFileName));
}

}  // namespace

PendingList::Entry PendingList::Entry::Parse(const std::wstring& text) {
  const size_t separator = text.find(kSeparator);
  if (separator == std::wstring::npos) return Deletion(text);
  return Restore(text.substr(0, separator), text.substr(separator + 1));
}

std::wstring PendingList::Entry::Format() const {
  return restore ? name + kSeparator + restoreTo : name;
}

bool PendingList::Entry::StaysInside() const {
  return IsInstallationPath(name) && (!restore || IsInstallationPath(restoreTo));
}

std::string PendingList::Encode(const std::vector<Entry>& entries) {
  std::string bytes;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0) bytes += '|';
    for (const wchar_t c : entries[i].Format()) {
      if (static_cast<unsigned>(c) <= 0xFF) {
        bytes += static_cast<char>(c);
      } else {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "<%04x>", static_cast<unsigned>(c));
        bytes += escaped;
      }
    }
  }
  return bytes;
}

std::vector<PendingList::Entry> PendingList::Decode(const std::string& bytes) {
  std::vector<Entry> entries;
  const std::wstring text = DecodeText(bytes);
  if (text.empty()) return entries;
  // An empty name between two adjacent separators is an entry too; it
  // leaves nothing to act on and is dropped with the names outside.
  for (size_t start = 0;;) {
    const size_t bar = text.find(L'|', start);
    Entry entry = Entry::Parse(text.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
    if (entry.StaysInside()) entries.push_back(std::move(entry));
    if (bar == std::wstring::npos) return entries;
    start = bar + 1;
  }
}

bool PendingList::Load() {
  if (loaded_) return onDisk_;
  loaded_ = true;
  // Only a trusted plain file of that very name is the launcher's list; a
  // list of names has no reason to be large, and a huge file read whole
  // would end the launcher at every start before the product runs.
  std::string bytes;
  if (!installation_.ReadTrusted(kPendingDeletionFile, kMaxBytes, bytes).ok()) return false;
  // The launcher never writes a byte 0. A file that holds one was cut by a
  // lost write (a tail of zeros), and what is left of an entry may name its
  // whole directory.
  if (bytes.find('\0') != std::string::npos) return false;
  onDisk_ = true;
  entries_ = Decode(bytes);
  // What was dropped unread, or an empty list, goes with the next save.
  changed_ = entries_.empty() || Encode(entries_) != bytes;
  return true;
}

void PendingList::Add(const Entry& entry) {
  // Entries an earlier run could not finish stay listed: replacing the file
  // would forget them and leave their files behind for good.
  Load();
  if (!entry.StaysInside() || std::find(entries_.begin(), entries_.end(), entry) != entries_.end()) return;
  entries_.push_back(entry);
  changed_ = true;
}

void PendingList::ForgetInstalled(const std::vector<std::wstring>& installedItems) {
  Load();
  std::set<std::wstring> written;
  for (const std::wstring& item : installedItems) {
    for (std::wstring& key : KeysWithParents(item)) written.insert(std::move(key));
  }
  std::vector<Entry> kept;
  for (Entry entry : entries_) {
    if (entry.restore && written.count(NameKey(entry.restoreTo)) != 0) {
      // The old file waiting to go back has been replaced by the new
      // version: it is now an ordinary set-aside file.
      entry = Entry::Deletion(entry.name);
      changed_ = true;
    }
    if (!entry.restore && written.count(NameKey(entry.name)) != 0) {
      changed_ = true;
      continue;
    }
    kept.push_back(std::move(entry));
  }
  entries_ = std::move(kept);
}

Status PendingList::Save() {
  if (!changed_) return Status::Ok();
  if (entries_.empty()) {
    if (onDisk_) {
      if (Status removed = installation_.Remove(kPendingDeletionFile); !removed.ok()) return removed;
    }
  } else if (Status written = installation_.ReplaceDurably(kPendingDeletionFile, Encode(entries_)); !written.ok()) {
    return written;
  }
  onDisk_ = !entries_.empty();
  changed_ = false;
  return Status::Ok();
}

bool PendingList::RunStartUpPass(const std::wstring& launcherFileName) {
  std::vector<Entry> remaining;
  std::vector<Entry> restores;
  for (const Entry& entry : entries_) {
    if (!MayActOn(entry, launcherFileName)) {
      remaining.push_back(entry);
    } else if (entry.restore) {
      restores.push_back(entry);
    } else if (!installation_.Remove(entry.name).ok()) {
      // Also where the name leads through a link: left alone, kept listed.
      remaining.push_back(entry);
    }
  }
  // After the deletions, which may have freed the names to restore.
  bool waiting = false;
  for (const Entry& entry : restores) {
    const Installation::Examined aside = installation_.Examine(entry.name);
    const bool linked = aside.standing == Installation::Standing::Elsewhere ||
                        installation_.Examine(entry.restoreTo).standing == Installation::Standing::Elsewhere;
    if (!linked && !aside.Exists()) continue;  // nothing left to put back
    // A file another account put under the emptied name gives way.
    if (linked || !installation_.Move(entry.name, entry.restoreTo, Installation::Occupant::ReplaceUntrusted).ok()) {
      remaining.push_back(entry);
      // An entry through a link is never acted on; it stops nothing.
      waiting = waiting || !linked;
    }
  }
  if (remaining != entries_) changed_ = true;
  entries_ = std::move(remaining);
  return waiting;
}

bool ProcessPendingDeletions(const Installation& installation) {
  PendingList list(installation);
  if (!list.Load()) return false;
  const bool waiting = list.RunStartUpPass(LauncherFileName());
  // When the new list cannot be written the old one stays whole: what was
  // done is found done again next time.
  static_cast<void>(list.Save());
  return waiting;
}

}  // namespace Launcher
