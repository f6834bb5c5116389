#pragma once

#include <string>

namespace Launcher {

// One entry of what an update leaves for a later start: in "temp"
// (PendingDeletionFile) and, as its set-aside files, in the update record's
// "aside" lines (UpdateJournal). Names are relative to the launcher
// directory.
//
// - A deletion names a file or directory to delete: "bin\_old.dll".
// - A restore names a set-aside file and the name it goes back to, joined by
//   ">": "bin\_core.dll>bin\core.dll". ">" cannot stand in a Windows name, so
//   the first ">" always ends the set-aside name, and an older launcher that
//   tries to delete such an entry fails and keeps it listed.
//
// A plain value; any thread.
struct PendingEntry {
  static constexpr wchar_t kSeparator = L'>';

  bool restore = false;
  std::wstring name;       // the deletion's name, or the restore's set-aside file
  std::wstring restoreTo;  // a restore's item name; empty for a deletion

  static PendingEntry Deletion(std::wstring name);
  static PendingEntry Restore(std::wstring setAsideName, std::wstring itemName);

  // The entry `text` stands for: a restore when it holds a ">" (cut at the
  // first one; either side may then be empty, which no rule accepts), a
  // deletion otherwise.
  static PendingEntry Parse(const std::wstring& text);
  // The entry's text; Parse(Format()) gives the entry back.
  std::wstring Format() const;

  // Whether every name of the entry stays inside the launcher directory
  // (IsInstallationPath): an entry that does not is never acted on.
  bool StaysInside() const;
};

}  // namespace Launcher
