#pragma once

#include <string>
#include <vector>

#include "base/Status.h"
#include "launcher/fs/Installation.h"

namespace Launcher {

// The file "temp" in the launcher directory: names of files, relative to the
// launcher directory, that an update could not delete, joined by "|" with no
// separator after the last name, no line end and no header.
//
// One byte per character: each byte of the file is the character with the same
// code (0x00-0xFF), and a byte 0 adds nothing. A character above 0xFF cannot
// be one byte; it is written as "<" four lower-case hexadecimal digits ">"
// (U+4E2D as <4e2d>). No Windows file name may contain "<" or ">", so the form
// is unambiguous, and the reader turns it back into the character. A launcher
// that does not know the form reads a name that does not exist and keeps it
// listed, losing nothing.
//
// A restore entry "set-aside>name" (PendingEntry) is a file that a failed
// update could not put back: the start-up pass moves it back to its name once
// that name is free, and never deletes it.
//
// Only names that stay inside the launcher directory (IsInstallationPath) are
// acted on; any other name is dropped from the list unread. A file larger than
// kMaxBytes, or holding a byte 0 (which the launcher never writes: a write
// cut short leaves a tail of zeros), is no list the launcher wrote: it counts
// as unreadable.
//
// The launcher runs elevated, and other accounts may be able to create files
// in its directory. The file is read only when it is a plain file of its own
// name that is trusted (Installation::ReadTrusted: no link, no second hard
// link, no directory, only an administrator can have written it); any other
// "temp" is left alone as if it were missing.
//
// All operations run on the calling thread and report failure by their result.
class PendingDeletionFile {
 public:
  static constexpr unsigned long kMaxBytes = 64 * 1024;

  explicit PendingDeletionFile(const std::wstring& launcherDirectory);

  // Reads the whole file into `text`. False when it cannot be opened or read,
  // or holds more than kMaxBytes.
  bool Read(std::wstring& text) const;
  // Replaces the file with one holding `text`, durably
  // (Installation::ReplaceDurably, through a fresh "temp.new"). On failure (the step that failed, with its cause)
  // the previous file is unchanged.
  Status Write(const std::wstring& text) const;
  // Deletes the file; false when it cannot be deleted (or does not exist).
  bool Remove() const;

  // Cuts `text` at every "|" into names; an empty text gives no names, while
  // an empty name between two adjacent separators is a name too.
  static std::vector<std::wstring> Split(const std::wstring& text);
  // Joins names with "|", without a separator after the last one.
  static std::wstring Join(const std::vector<std::wstring>& names);

  // Encodes text in the file's byte form and back (see above).
  static std::string Encode(const std::wstring& text);
  static std::wstring Decode(const std::string& bytes);

 private:
  std::wstring directory_;
  std::wstring path_;
  Installation installation_;
};

// The start-up pass: tries again to delete every listed file or directory
// (RemoveEntry: read-only entries and whole directories included), then moves
// every listed restore entry back to its name where that name is free or
// held by a file that is not trusted (another account took the emptied
// name: its file gives way; Installation::Occupant::ReplaceUntrusted). When
// nothing is left to do (or the file is empty) the file is deleted; otherwise
// it is rewritten with exactly the entries still open. Names that do not stay
// inside the launcher directory are dropped without being touched. Entries
// that lead through a link (ReachesThroughLink), restore entries
// whose first name is not the exact set-aside form of the second
// (IsSetAsideFormOf), and entries naming the product, the launcher or its own
// files (IsProtectedName) are kept listed but never acted on. A missing,
// unreadable or untrusted file (see PendingDeletionFile) ends the pass without
// effect. Nothing is reported. True when a restore entry it acts on is still
// open (its name held by something it may not replace): an installed file is
// not back under its name, so the product must not be started.
bool ProcessPendingDeletions(const std::wstring& launcherDirectory);

}  // namespace Launcher
