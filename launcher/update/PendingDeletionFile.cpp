#include "launcher/update/PendingDeletionFile.h"

#include <windows.h>

#include <cstdio>

#include "base/UniqueHandle.h"
#include "launcher/fs/FileNames.h"
#include "launcher/fs/Installation.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/fs/ReachesThroughLink.h"
#include "launcher/update/PendingEntry.h"

namespace Launcher {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// What the start-up pass does with one entry.
enum class EntryUse { Act, Keep, Drop };

// Entries naming anything outside the installation are dropped unread. A
// restore entry must be the exact set-aside form of its name; no entry may
// name the product, the launcher or the launcher's own files: those are
// kept listed for a person to see, but never acted on.
EntryUse Classify(const PendingEntry& entry, const std::wstring& launcherFileName) {
  if (!entry.StaysInside()) return EntryUse::Drop;
  if (!entry.restore) return IsProtectedName(entry.name, launcherFileName) ? EntryUse::Keep : EntryUse::Act;
  if (!IsSetAsideFormOf(entry.name, entry.restoreTo) || IsProtectedName(entry.name, launcherFileName) ||
      IsProtectedName(entry.restoreTo, launcherFileName)) {
    return EntryUse::Keep;
  }
  return EntryUse::Act;
}

}  // namespace

PendingDeletionFile::PendingDeletionFile(const std::wstring& launcherDirectory)
    : directory_(launcherDirectory),
      path_(launcherDirectory + kPendingDeletionFile),
      installation_(launcherDirectory) {}

bool PendingDeletionFile::Read(std::wstring& text) const {
  // Only a trusted plain file of that very name is the launcher's list; a
  // list of names has no reason to be large, and a huge file read whole
  // would end the launcher at every start before the product runs.
  std::string bytes;
  if (!installation_.ReadTrusted(kPendingDeletionFile, kMaxBytes, bytes).ok()) return false;
  // The launcher never writes a byte 0. A file that holds one was cut by a
  // lost write (a tail of zeros), and what is left of an entry may name its
  // whole directory.
  if (bytes.find('\0') != std::string::npos) return false;
  text = Decode(bytes);
  return true;
}

Status PendingDeletionFile::Write(const std::wstring& text) const {
  return installation_.ReplaceDurably(kPendingDeletionFile, Encode(text));
}

bool PendingDeletionFile::Remove() const {
  return PathExists(path_) && installation_.Remove(kPendingDeletionFile).ok();
}

std::vector<std::wstring> PendingDeletionFile::Split(const std::wstring& text) {
  std::vector<std::wstring> names;
  if (text.empty()) return names;
  size_t start = 0;
  for (;;) {
    const size_t bar = text.find(L'|', start);
    names.push_back(text.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
    if (bar == std::wstring::npos) return names;
    start = bar + 1;
  }
}

std::wstring PendingDeletionFile::Join(const std::vector<std::wstring>& names) {
  std::wstring text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += L'|';
    text += names[i];
  }
  return text;
}

std::string PendingDeletionFile::Encode(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (const wchar_t c : text) {
    if (static_cast<unsigned>(c) <= 0xFF) {
      bytes += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "<%04x>", static_cast<unsigned>(c));
      bytes += escaped;
    }
  }
  return bytes;
}

std::wstring PendingDeletionFile::Decode(const std::string& bytes) {
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

bool ProcessPendingDeletions(const std::wstring& launcherDirectory) {
  const PendingDeletionFile file(launcherDirectory);
  std::wstring text;
  if (!file.Read(text)) return false;
  if (text.empty()) {
    file.Remove();
    return false;
  }
  const Installation installation(launcherDirectory);
  const std::wstring launcherFileName = LauncherFileName();
  std::vector<std::wstring> remaining;
  std::vector<PendingEntry> restores;
  for (const std::wstring& listed : PendingDeletionFile::Split(text)) {
    const PendingEntry entry = PendingEntry::Parse(listed);
    const EntryUse use = Classify(entry, launcherFileName);
    if (use == EntryUse::Drop) continue;
    if (use == EntryUse::Keep) {
      remaining.push_back(listed);
    } else if (entry.restore) {
      restores.push_back(entry);
    } else if (!installation.Remove(entry.name).ok()) {
      // Also where the name leads through a link: left alone, kept listed.
      remaining.push_back(listed);
    }
  }
  // After the deletions, which may have freed the names to restore.
  bool waiting = false;
  for (const PendingEntry& entry : restores) {
    const bool linked =
        ReachesThroughLink(launcherDirectory, entry.name) || ReachesThroughLink(launcherDirectory, entry.restoreTo);
    if (!linked && !PathExists(launcherDirectory + entry.name)) continue;  // nothing left to put back
    // A file another account put under the emptied name gives way.
    if (linked || !installation.Move(entry.name, entry.restoreTo, Installation::Occupant::ReplaceUntrusted).ok()) {
      remaining.push_back(entry.Format());
      // An entry through a link is never acted on; it stops nothing.
      waiting = waiting || !linked;
    }
  }
  // When the new list cannot be written the old one stays whole: what was
  // done is found done again next time.
  if (remaining.empty()) {
    file.Remove();
  } else {
    file.Write(PendingDeletionFile::Join(remaining));
  }
  return waiting;
}

}  // namespace Launcher
