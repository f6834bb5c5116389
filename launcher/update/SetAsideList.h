#pragma once

#include <set>
#include <string>
#include <vector>

#include "base/Status.h"
#include "launcher/fs/Installation.h"
#include "launcher/update/PendingList.h"

namespace Launcher {

// The installed files that an update moves out of the way before it unpacks
// the package over the installation. Names are relative to the launcher
// directory. Used on the update's thread only.
//
// An update either succeeds, and the set-aside files are deleted (or listed
// for deletion at the next start), or fails, and every set-aside file goes
// back to its name (RollBack, from Entries()), so that the installation holds
// exactly its old files. A file that cannot go back is never deleted: it
// stays listed for the next start to put back. Every move and deletion goes
// through the installation's gate, which must outlive the list; not copyable.
class SetAsideList {
 public:
  struct Entry {
    std::wstring itemName;      // the name the package writes
    std::wstring setAsideName;  // where the installed file waits meanwhile
  };

  // `packageItems` are the paths the package writes: no set-aside name is ever
  // one of them or a directory above one (compared as Windows compares names),
  // so that unpacking can neither overwrite a set-aside file nor have its own
  // file discarded as one.
  SetAsideList(const Installation& installation, const std::vector<std::wstring>& packageItems);
  SetAsideList(const SetAsideList&) = delete;
  SetAsideList& operator=(const SetAsideList&) = delete;

  // Where each of `candidates` (item names, in the order they will be set
  // aside) would go, without moving anything: the entries of the candidates
  // that exist, with the set-aside names that SetAside would give them one
  // after another. A candidate below one planned to move before it is no
  // longer there and gets no entry.
  std::vector<Entry> Plan(const std::vector<std::wstring>& candidates) const;

  // Moves `planned.itemName` to `planned.setAsideName` (from Plan; a
  // directory moves as a whole). Fails, with Installation::Move's cause, when
  // the rename failed or either name leads through a link; nothing was moved
  // then.
  Status SetAside(const Entry& planned);

  // Deletes the set-aside files now (read-only ones and whole directories
  // too); those that cannot be deleted are added to `pending` (DeleteOrDefer).
  // The list is empty afterwards.
  void Discard(PendingList& pending);

  // The entries moved so far, in move order.
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  const Installation& installation_;
  std::set<std::wstring> reserved_;  // keys of the package's paths and their directories
  std::vector<Entry> entries_;
};

// The set-aside name of `itemName`: one "_" in front of its last path
// component (after the last "/" or "\", at the start when there is neither),
// and one more for as long as something stands under that name in
// `installation` or its key is in `reserved` (NameKey). bin\core.dll gives
// bin\_core.dll, or bin\__core.dll when bin\_core.dll exists.
std::wstring SetAsideName(const Installation& installation, const std::wstring& itemName,
                          const std::set<std::wstring>& reserved = {});

// Deletes each name in `installation` (Installation::Remove); names that
// cannot be deleted, or lead through a link, are added to `pending` as
// deletions, so that the next start tries them again. Names that leave the
// installation are neither deleted nor listed.
void DeleteOrDefer(const Installation& installation, const std::vector<std::wstring>& names, PendingList& pending);

}  // namespace Launcher
