#pragma once

#include <set>
#include <string>
#include <vector>

#include "base/Status.h"
#include "launcher/fs/Installation.h"
#include "launcher/update/SetAsideList.h"

namespace Launcher {

// The record of an update in progress: the file "update.journal" in the
// launcher directory, beside "temp". The worker writes it before it moves the
// first installed file aside and removes it once the set-aside files are
// deleted or listed for deletion; a record found at start means the update was
// cut short (the process was killed, crashed or lost power), and the start-up
// repair (RepairInterruptedUpdate) finishes or undoes it.
//
// Format (UTF-8, each line ended by CR LF, in this order):
//   Tarvo update journal 1
//   state installing        (or: state installed)
//   package update_2.1.7z   (the package file's name; may be empty)
//   item bin\core.dll       (one per package item)
//   new docs                (one per path that did not exist before the
//   new docs\readme.txt      update, directories before what they hold)
//   aside bin\_core.dll>bin\core.dll   (one per set-aside file, set-aside
//                                       name ">" item name, in move order)
//   end 1a2b3c4d            (CRC-32 of every byte before this line, hex)
// Paths are relative to the launcher directory. A record that breaks any of
// this, names a path that leaves the installation (the extraction's rule),
// one of the launcher's own files or the launcher's executable, or exceeds
// kMaxBytes, is damaged; so is one that does not hold together the way the
// worker writes it: a new path that is no item nor a directory above one, a
// set-aside entry whose item is neither in the record nor a directory above
// an item, or whose first name is not
// the exact set-aside form of the item (IsSetAsideFormOf), a package that is
// one of the paths.
//
// Replacing the record is atomic: the new content is written through to a
// fresh "update.journal.new" (or "update.journal.new1" and on, when another
// account planted something under the name), flushed, and renamed over the
// record. Used by one thread at a time (the update's, or the driver's at
// start); failures are results.
class UpdateJournal {
 public:
  enum class State { Installing, Installed };
  struct Record {
    State state = State::Installing;
    std::wstring package;
    std::vector<std::wstring> items;
    std::vector<std::wstring> created;
    std::vector<SetAsideList::Entry> setAside;
  };
  // Untrusted: a record that another account than an administrator can have
  // written, or that is a link or a second name of another file
  // (Installation::Examine).
  enum class ReadResult { Missing, Read, Damaged, Untrusted };

  static constexpr unsigned long kMaxBytes = 16ul * 1024 * 1024;

  // The record of `installation`, which must outlive this object.
  explicit UpdateJournal(const Installation& installation) : installation_(installation) {}

  // Replaces the record with `record`, durably (Installation::ReplaceDurably,
  // through a fresh "update.journal.new"). Fails
  // when it could not be written (a name that cannot be recorded or a record
  // that does not hold together: "UpdateJournal::Encode"; a record above
  // kMaxBytes: "UpdateJournal::Write"; a failed create, write, flush or
  // rename, with the platform's code); the previous record is then unchanged.
  Status Write(const Record& record) const;
  // Reads the record into `record`; `record` is unchanged unless Read.
  // A record is read only when it is trusted; otherwise Untrusted.
  ReadResult Read(Record& record) const;
  // Deletes the record.
  Status Remove() const;
  // Renames the record to "update.journal.damaged" (replacing an older one
  // of the launcher's, or anything another account put there)
  // for a person to inspect; fails when it is still under its name.
  Status SetDamagedAside() const;
  // Deletes what a write cut short left under the fresh names, where it is
  // the launcher's own.
  void RemoveUnfinishedWrite() const;

  // The record's bytes; false when a path cannot be written in the format.
  static bool Encode(const Record& record, std::string& bytes);
  // The record in `bytes`; false when they are no valid record.
  static bool Decode(const std::string& bytes, Record& record);

 private:
  const Installation& installation_;
};

// The paths in `installation` that the items would create: each item and
// each directory above it that does not exist now, or lies at or below
// one of `goneDirectories` (keys, NameKey, of directories the update sets
// aside whole), directories before what they hold, each once (as Windows
// compares names).
std::vector<std::wstring> MissingPaths(const Installation& installation, const std::vector<std::wstring>& items,
                                       const std::set<std::wstring>& goneDirectories = {});

}  // namespace Launcher
