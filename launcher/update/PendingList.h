#pragma once

#include <string>
#include <vector>

#include "base/Status.h"
#include "launcher/fs/Installation.h"

namespace Launcher {

// "temp" in the launcher directory: what an update left for a later start,
// loaded once, changed in memory and saved once.
//
// The file: entries joined by "|", with no separator after the last one, no
// line end and no header. One byte per character: each byte of the file is
// the character with the same code (0x00-0xFF), and a byte 0 adds nothing. A
// character above 0xFF cannot be one byte; it is written as "<" four
// lower-case hexadecimal digits ">" (U+4E2D as <4e2d>); no Windows file name
// may contain "<" or ">", so the form is unambiguous. A launcher that does
// not know the form reads a name that does not exist and keeps it listed,
// losing nothing.
//
// An entry (Entry) is a deletion, "bin\_old.dll", or a restore,
// "bin\_core.dll>bin\core.dll": a set-aside file that a failed update could
// not put back, which the start-up pass moves back once its name is free
// and never deletes. Names are relative to the launcher directory; an entry
// naming anything outside it (IsInstallationPath) is dropped unread.
//
// The launcher runs elevated, and other accounts may be able to create files
// in its directory: the file is read only when it is trusted
// (Installation::ReadTrusted), at most kMaxBytes and without a byte 0 (which
// the launcher never writes: a write cut short leaves a tail of zeros). Any
// other "temp" counts as no list; saving then replaces it. Saving is durable
// (Installation::ReplaceDurably). One thread at a time.
class PendingList {
 public:
  static constexpr unsigned long kMaxBytes = 64 * 1024;

  struct Entry {
    static constexpr wchar_t kSeparator = L'>';

    bool restore = false;
    std::wstring name;       // the deletion's name, or the restore's set-aside file
    std::wstring restoreTo;  // a restore's item name; empty for a deletion

    static Entry Deletion(std::wstring name) { return Entry{false, std::move(name), {}}; }
    static Entry Restore(std::wstring setAside, std::wstring item) {
      return Entry{true, std::move(setAside), std::move(item)};
    }
    // A restore when `text` holds a ">" (cut at the first one), a deletion
    // otherwise.
    static Entry Parse(const std::wstring& text);
    std::wstring Format() const;
    // Whether every name stays inside the launcher directory.
    bool StaysInside() const;
    bool operator==(const Entry& other) const {
      return restore == other.restore && name == other.name && restoreTo == other.restoreTo;
    }
  };

  // The list of `installation`, which must outlive it. Nothing is read yet.
  explicit PendingList(const Installation& installation) : installation_(installation) {}
  PendingList(const PendingList&) = delete;
  PendingList& operator=(const PendingList&) = delete;

  // Reads the file, once; later calls do nothing. False when there is no
  // list the launcher wrote (missing, unreadable, untrusted, too large,
  // holding a byte 0): the list is then empty.
  bool Load();
  // Adds an entry after those listed, unless it is listed already or
  // leaves the installation.
  void Add(const Entry& entry);
  // Forgets what a package has just written: deletions naming one of
  // `installedItems` or a directory above one, and restores whose name was
  // written (their set-aside file becomes a deletion).
  void ForgetInstalled(const std::vector<std::wstring>& installedItems);
  const std::vector<Entry>& Entries() const { return entries_; }

  // Writes the list when it changed since it was loaded: the file is
  // replaced, or deleted when nothing is left. On failure (the step that
  // failed) the file on the disk is unchanged and the list stays changed.
  Status Save();

  // The start-up pass, on the loaded list: deletes every deletion entry
  // (Installation::Remove), then moves every restore back to its name where
  // that is free or held by a file that is not trusted
  // (Occupant::ReplaceUntrusted). Entries that lead through a link, restores
  // whose first name is not the exact set-aside form of the second
  // (IsSetAsideFormOf), and entries naming the product, the launcher or its
  // own files (IsProtectedName) stay listed and are never acted on. What is
  // done leaves the list. True when a restore it acts on is still open: an
  // installed file is not back under its name.
  bool RunStartUpPass(const std::wstring& launcherFileName);

  // The file's byte form of `entries`, and back.
  static std::string Encode(const std::vector<Entry>& entries);
  static std::vector<Entry> Decode(const std::string& bytes);

 private:
  const Installation& installation_;
  bool loaded_ = false;
  bool onDisk_ = false;
  bool changed_ = false;
  std::vector<Entry> entries_;
};

// The start-up pass over "temp" of `installation` (PendingList::Load,
// RunStartUpPass, Save; the launcher's own file name from the module). A
// missing, unreadable or untrusted list ends the pass without effect; an
// empty one is deleted. Nothing is reported. True when an installed file is
// not back under its name yet, so that the product must not be started.
bool ProcessPendingDeletions(const Installation& installation);

}  // namespace Launcher
