#pragma once

#include <string>
#include <vector>

// The installed files that an update moves out of the way before it unpacks
// the package over the installation. Names are relative to the launcher
// directory. Used on the update worker's thread only.
//
// An update either succeeds, and the set-aside files are deleted (or listed
// for deletion at the next start), or fails, and every set-aside file goes back
// to its name, so that the installation holds exactly its old files.
class SetAsideList {
 public:
  struct Entry {
    std::wstring itemName;      // the name the package writes
    std::wstring setAsideName;  // where the installed file waits meanwhile
  };

  explicit SetAsideList(std::wstring launcherDirectory);

  // Moves launcher directory + `itemName` to its set-aside name when it exists
  // (a directory moves as a whole). True when there was nothing to move or the
  // move succeeded; false when the rename failed (nothing was moved then).
  bool SetAside(const std::wstring& itemName);

  // Moves every set-aside file back to its name, the last one first. Returns
  // false when any move failed (the rest are still tried).
  bool RestoreAll();

  // Deletes the set-aside files now; those that cannot be deleted go to the
  // pending-deletion file (DeleteOrDefer). The list is empty afterwards.
  void Discard();

  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::wstring directory_;
  std::vector<Entry> entries_;
};

// The set-aside name of `itemName`: one "_" in front of its last path
// component (after the last "/" or "\", at the start when there is neither),
// and one more for as long as launcher directory + that name exists.
// bin\core.dll gives bin\_core.dll, or bin\__core.dll when bin\_core.dll exists.
std::wstring SetAsideName(const std::wstring& launcherDirectory, const std::wstring& itemName);

// Deletes launcher directory + each name; names that cannot be deleted are
// added to the pending-deletion file, after the names it already lists and
// without repeating one, so that the next start tries them again. When every
// name was deleted the file is left as it is.
void DeleteOrDefer(const std::wstring& launcherDirectory, const std::vector<std::wstring>& names);
