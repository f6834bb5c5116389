#include "launcher/update/UpdateRepair.h"

#include <string>
#include <vector>

#include "launcher/update/RollBack.h"
#include "launcher/update/SetAsideList.h"

namespace Launcher {

void FinishInstalled(const Installation& installation, const UpdateJournal::Record& record, PendingList& pending) {
  std::vector<std::wstring> setAside;
  for (const SetAsideList::Entry& entry : record.setAside) setAside.push_back(entry.setAsideName);
  // DeleteOrDefer leaves a name through a link alone and lists it.
  DeleteOrDefer(installation, setAside, pending);
  // A name an earlier run could not delete may now be one of the new files.
  pending.ForgetInstalled(record.items);
}

RepairOutcome RepairInterruptedUpdate(const Installation& installation) {
  // Without its directory (a path the platform could not report) every name
  // would be taken relative to whatever the current directory is.
  if (!installation.Valid()) return RepairOutcome::NothingRecorded;
  const UpdateJournal journal(installation);
  // A write cut short never replaced the record: the record (if any) still
  // tells the state.
  journal.RemoveUnfinishedWrite();
  UpdateJournal::Record record;
  switch (journal.Read(record)) {
    case UpdateJournal::ReadResult::Missing:
      return RepairOutcome::NothingRecorded;
    case UpdateJournal::ReadResult::Damaged:
      // A record that cannot be renamed is found damaged again next time.
      static_cast<void>(journal.SetDamagedAside());
      return RepairOutcome::DamagedSetAside;
    case UpdateJournal::ReadResult::Untrusted:
      return RepairOutcome::LeftAlone;
    case UpdateJournal::ReadResult::Read:
      break;
  }
  const bool installing = record.state == UpdateJournal::State::Installing;
  PendingList pending(installation);
  if (installing) {
    RollBack(installation, record, RecordKind::Planned, pending);
  } else {
    FinishInstalled(installation, record, pending);
  }
  // Until what is left is listed in "temp" the record is the only place that
  // names the set-aside files: it stays, and the next start goes over it again.
  if (!pending.Save().ok()) return RepairOutcome::Unfinished;
  // The record's package name passed the record's own rule (a plain name,
  // none of the launcher's files nor the product) when it was read. A
  // package that stays is refused by name at the next download and
  // removed then.
  if (!record.package.empty() && installation.Examine(record.package).standing != Installation::Standing::Elsewhere) {
    static_cast<void>(installation.Remove(record.package));
  }
  // A record that stays is finished again, to the same effect, next time.
  static_cast<void>(journal.Remove());
  return installing ? RepairOutcome::RolledBack : RepairOutcome::Completed;
}

}  // namespace Launcher
