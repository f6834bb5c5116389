#include "launcher/update/UpdateWorker.h"

#include <cstdio>
#include <set>
#include <utility>
#include <vector>

#include "base/Status.h"
#include "base/UniqueHandle.h"
#include "launcher/extract/SevenZipExtractor.h"
#include "launcher/fs/FileAuthority.h"
#include "launcher/fs/FileNames.h"
#include "launcher/fs/Installation.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/fs/ReachesThroughLink.h"
#include "launcher/net/PackageDownload.h"
#include "launcher/net/WindowProgress.h"
#include "launcher/update/DownloadRecord.h"
#include "launcher/update/RollBack.h"
#include "launcher/update/SetAsideList.h"
#include "launcher/update/UpdateJournal.h"
#include "launcher/update/UpdateMessages.h"

namespace Launcher {

namespace {

// The paths `created` (full paths, as the extraction reports them) that lie
// in the installation, relative to it, in their order.
std::vector<std::wstring> InsideInstallation(const Installation& installation,
                                             const std::vector<std::wstring>& created) {
  const std::wstring& directory = installation.Directory();
  std::vector<std::wstring> relative;
  for (const std::wstring& path : created) {
    if (path.compare(0, directory.size(), directory) == 0) relative.push_back(path.substr(directory.size()));
  }
  return relative;
}

// Refuses, before anything is touched, a package whose item names could
// reach outside what the update may change; names the check that refused and
// the item. Gives an unnamed item its extraction name.
Status RefuseUnsafeItems(const Installation& installation, std::vector<std::wstring>& items,
                         std::set<std::wstring>& untrustedDirectories) {
  const std::wstring& launcherDirectory = installation.Directory();
  // A name that leaves the installation must not even be set aside: that
  // alone would move files outside it. An item without a name (a bare lzma
  // stream) is written under the extraction's own name for it. The
  // pending-deletion file and the update record are the launcher's: a package
  // writing them could have the next start delete anything. A short alias of
  // an installed file would set aside and restore the file under the alias,
  // losing its name. A full path of MAX_PATH characters or more cannot be
  // written on every system, nor removed by the rollback: such a package is
  // refused before anything is touched rather than installed in part.
  std::set<std::wstring> examined;
  for (std::wstring& item : items) {
    if (item.empty()) item = SevenZip::kUnnamedItemPath;
    if (!IsSafeItemPath(item)) return Status::Failed("IsSafeItemPath", item);
    if (IsLauncherOwnName(item)) return Status::Failed("IsLauncherOwnName", item);
    if (launcherDirectory.size() + item.size() >= MAX_PATH) return Status::Failed("MAX_PATH", item);
    if (ReachesThroughAlias(launcherDirectory, item)) return Status::Failed("ReachesThroughAlias", item);
    // Each existing directory on the way is examined once per update, the
    // item itself as well: a link (bin -> a system folder) would have the
    // update set aside, write and delete files wherever it points, and a
    // directory another account made or may change is not written into:
    // it is set aside like a replaced file, and the update makes its own.
    const std::vector<std::wstring> keys = KeysWithParents(item);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
      if (!examined.insert(*key).second) continue;
      if (IsAtOrBelowAny(*key, untrustedDirectories)) continue;
      switch (installation.Examine(*key)) {
        case Installation::Standing::Missing:
        case Installation::Standing::Trusted:
          break;
        case Installation::Standing::Untrusted:
          if (DirectoryExists(launcherDirectory + *key)) untrustedDirectories.insert(*key);
          break;
        case Installation::Standing::Elsewhere:
          return Status::Failed("ReachesThroughLink", item);
      }
    }
  }
  return Status::Ok();
}

// The items to set aside, in package order.
std::vector<std::wstring> SetAsideCandidates(const std::wstring& launcherDirectory,
                                             const std::vector<std::wstring>& items,
                                             const std::vector<bool>& directories,
                                             const std::set<std::wstring>& untrustedDirectories) {
  // Untrusted directories first, outermost first: what lies below one moves
  // with it.
  std::vector<std::wstring> candidates(untrustedDirectories.begin(), untrustedDirectories.end());
  for (size_t i = 0; i < items.size(); ++i) {
    // A directory the package merely names is not replaced: moving it aside
    // would take every installed file in it that the package does not carry.
    if (i < directories.size() && directories[i] && DirectoryExists(launcherDirectory + items[i])) continue;
    candidates.push_back(items[i]);
  }
  return candidates;
}

// The file name of `path` when it lies directly in `launcherDirectory`,
// otherwise empty.
std::wstring NameInside(const std::wstring& launcherDirectory, const std::wstring& path) {
  const bool inside = path.size() > launcherDirectory.size() &&
                      path.compare(0, launcherDirectory.size(), launcherDirectory) == 0 &&
                      path.find_first_of(L"\\/", launcherDirectory.size()) == std::wstring::npos;
  return inside ? path.substr(launcherDirectory.size()) : std::wstring();
}

// The window's progress, and the download record kept up to date as the
// download goes: the bytes are flushed before the record says they are
// there, so that a later start never resumes after bytes a lost power took.
class RecordingProgress final : public WindowProgress {
 public:
  RecordingProgress(HWND window, HANDLE file, const DownloadRecord& record, DownloadRecord::Entry entry)
      : WindowProgress(window), file_(file), record_(record), entry_(std::move(entry)) {}
  void OnCheckpoint(const ResumeState& state) override {
    // Unflushed bytes must not be named: the older record still holds.
    if (!::FlushFileBuffers(file_)) return;
    entry_.resume = state;
    record_.Write(entry_);
  }

 private:
  HANDLE file_;
  const DownloadRecord& record_;
  DownloadRecord::Entry entry_;
};

// Downloads the package into `name`, continuing what an earlier start left
// when it was offered the very same package (DownloadRecord). A partial file
// of another offer goes first; a file under the name that is not the
// launcher's own is never taken (IsUsablePackageName refuses it). A download
// that every retry met with a cut keeps what arrived, and its record, for the
// next start; any other failure leaves no file behind. A whole package keeps
// its record: DeletePackage removes both.
Status DownloadResumably(const Installation& installation, const std::wstring& url, const std::wstring& name,
                         const std::wstring& version, HWND window, const DownloadTimings& timings) {
  const std::wstring& directory = installation.Directory();
  const DownloadRecord record(directory);
  DownloadRecord::Entry entry{url, version, name, ResumeState()};
  DownloadRecord::Entry earlier;
  UniqueHandle file;
  if (record.Read(earlier)) {
    const bool same = earlier.address == url && earlier.version == version && SameFileName(earlier.package, name);
    if (same && installation.Examine(name) == Installation::Standing::Trusted &&
        installation.Open(name, GENERIC_READ | GENERIC_WRITE | DELETE, file, 0).ok()) {
      entry.resume = earlier.resume;
    } else if (installation.Examine(earlier.package) == Installation::Standing::Trusted) {
      installation.Remove(earlier.package);
    }
  }
  if (!file) {
    if (!IsUsablePackageName(directory, name, LauncherFileName())) {
      record.Remove();
      return Status::Failed("IsUsablePackageName", directory + name);
    }
    if (Status made = installation.CreateFile(name, GENERIC_READ | GENERIC_WRITE, 0, 0, file); !made.ok()) {
      return made;
    }
  }
  // Named before the first byte arrives, so that a later start finds the
  // partial file whenever this one ends.
  Status downloaded = record.Write(entry);
  if (downloaded.ok()) {
    RecordingProgress progress(window, file.Get(), record, entry);
    downloaded = DownloadPackage(url, file.Get(), directory, entry.resume, progress, timings);
  }
  // The download forgets what is on disk whenever it is no longer worth
  // continuing (no package, a refusal for good); a server that failed every
  // retry keeps it, like a cut.
  const bool resumable =
      !downloaded.ok() && entry.resume.onDisk > 0 && entry.resume.validatorKind != ResumeState::Validator::None;
  file.Reset();
  // A whole package stays named by the record until the worker deleted it:
  // a start after a kill at any later point finds it as the launcher's own,
  // where an unnamed file under the name would refuse every later download
  // of that package.
  if (!downloaded.ok() && !resumable) {
    record.Remove();
    installation.Remove(name);
  }
  return downloaded;
}

// Deletes the package, then the download record that names it: in this
// order, a kill in between leaves a package the next start knows as its own.
void DeletePackage(const Installation& installation, const std::wstring& name) {
  if (installation.Remove(name).ok()) DownloadRecord(installation.Directory()).Remove();
}

// The one line the worker leaves about a failed update: the product keeps no
// log file, so the cause goes to the standard error stream.
void ReportFailure(const Status& status) {
  std::fprintf(stderr, "update failed: %s\n", status.ToString().c_str());
  std::fflush(stderr);
}

}  // namespace

Status HoldPackage(const Installation& installation, const std::wstring& name, UniqueHandle& held) {
  if (Status opened = installation.Open(name, GENERIC_READ | READ_CONTROL, held, FILE_SHARE_READ); !opened.ok()) {
    return opened;
  }
  if (IsTrustedObject(held.Get())) return Status::Ok();
  held.Reset();
  return Status::Failed("IsTrustedObject", installation.PathOf(name));
}

std::wstring PackageName(const std::wstring& packageUrl) {
  std::wstring path = packageUrl.substr(0, packageUrl.find_first_of(L"?#"));
  // After "scheme://" comes the host; the path starts at the next "/".
  const size_t scheme = path.find(L"://");
  if (scheme != std::wstring::npos) {
    const size_t slash = path.find_first_of(L"/\\", scheme + 3);
    path = slash == std::wstring::npos ? std::wstring() : path.substr(slash);
  }
  const size_t slash = path.find_last_of(L"/\\");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

Status InstallPackage(const std::wstring& launcherDirectory, const std::wstring& packageFile, InstallWatcher* watcher) {
  if (!IsFullDirectory(launcherDirectory)) return Status::Failed("IsFullDirectory", launcherDirectory);
  const Installation installation(launcherDirectory);
  if (!installation.Valid()) return Status::Failed("Installation", launcherDirectory);
  const auto reach = [watcher](InstallStep step) {
    if (watcher) watcher->Reached(step);
  };
  SevenZip::SevenZipExtractor extractor;
  extractor.SetPath(packageFile);
  std::vector<std::wstring> items = extractor.ItemNames();
  const std::vector<bool> directories = extractor.ItemDirectoryFlags();

  std::set<std::wstring> untrusted;
  if (Status refused = RefuseUnsafeItems(installation, items, untrusted); !refused.ok()) return refused;

  SetAsideList setAside(launcherDirectory, items);
  const std::vector<std::wstring> candidates = SetAsideCandidates(launcherDirectory, items, directories, untrusted);

  // Everything the update is about to do is on the disk before the first
  // move, so that a killed launcher leaves nothing the next start cannot undo.
  const UpdateJournal journal(launcherDirectory);
  UpdateJournal::Record record;
  // The record of an update the last start could not finish is the only
  // place that names its set-aside files: it is not replaced.
  if (journal.Read(record) == UpdateJournal::ReadResult::Read) {
    return Status::Failed("UpdateJournal::Read", launcherDirectory + kUpdateJournalFile);
  }
  record = UpdateJournal::Record();
  record.package = NameInside(launcherDirectory, packageFile);
  record.items = items;
  // An untrusted directory goes aside whole: what the package puts there is
  // new, in a directory the update makes.
  record.created = MissingPaths(launcherDirectory, items, untrusted);
  record.setAside = setAside.Plan(candidates);
  for (const SetAsideList::Entry& planned : record.setAside) {
    if (launcherDirectory.size() + planned.setAsideName.size() >= MAX_PATH) {
      return Status::Failed("MAX_PATH", planned.setAsideName);
    }
  }
  if (Status written = journal.Write(record); !written.ok()) return written;
  reach(InstallStep::Recorded);

  // Returns `cause`, the step that failed: a rollback that could not list
  // what is left changes nothing the caller could do about it. This run
  // knows exactly what it did, the moves that succeeded and the paths the
  // extraction created, and undoes only that; a later start knows only the
  // plan.
  const auto fail = [&](const std::vector<std::wstring>& created, Status cause) {
    UpdateJournal::Record done = record;
    done.created = InsideInstallation(installation, created);
    done.setAside = setAside.Entries();
    const bool listed = RollBack(installation, done, RecordKind::Done).ok();
    reach(InstallStep::RolledBack);
    // Only now: what could not be put back is listed in "temp". When it could
    // not be, the record stays and the next start rolls back from it.
    if (listed) journal.Remove();
    return cause;
  };
  for (const SetAsideList::Entry& planned : record.setAside) {
    if (Status moved = setAside.SetAside(planned); !moved.ok()) return fail({}, std::move(moved));
    reach(InstallStep::SetAside);
  }
  // The old files are kept until every new one is in place: a failure here
  // must leave the user with the product they had.
  reach(InstallStep::Extracting);
  if (const HRESULT extracted = extractor.ExtractInto(installation); extracted != 0) {
    return fail(extractor.CreatedPaths(),
                Status::Failed("SevenZipExtractor::ExtractTo", packageFile, static_cast<unsigned long>(extracted)));
  }
  reach(InstallStep::Extracted);
  // Deleting the old files is safe only once the record no longer asks the
  // next start to put them back.
  record.state = UpdateJournal::State::Installed;
  if (Status written = journal.Write(record); !written.ok()) return fail(extractor.CreatedPaths(), std::move(written));
  reach(InstallStep::Committed);
  bool listed = setAside.Discard().ok();
  // A name an earlier run could not delete may now be one of the new files.
  listed = ForgetPendingDeletions(launcherDirectory, items).ok() && listed;
  reach(InstallStep::Discarded);
  if (!record.package.empty()) installation.Remove(record.package);
  reach(InstallStep::Finished);
  // Installed either way; a set-aside file that "temp" could not take is
  // still named by the record, which the next start finishes.
  if (listed) journal.Remove();
  return Status::Ok();
}

void RunUpdate(std::wstring launcherDirectory, std::wstring packageUrl, HWND window) {
  RunCheckedUpdate(std::move(launcherDirectory), std::move(packageUrl), window,
                   PackageSignature::BuiltIn(std::wstring(), std::wstring()));
}

namespace {

// The download, the check and the installation of one package; the
// package's file is the launcher's own from its creation to its deletion.
// Returns the final message for the window.
UINT DownloadCheckAndInstall(const std::wstring& launcherDirectory, const std::wstring& packageUrl, HWND window,
                             const PackageSignature& signature, const DownloadTimings& timings) {
  const std::wstring name = PackageName(packageUrl);
  // Checked before anything is created: only a web address is fetched.
  if (!IsDownloadAddress(packageUrl)) {
    ReportFailure(Status::Failed("IsDownloadAddress", packageUrl));
    return WM_UPDATE_DOWNLOAD_FAILED;
  }
  if (!IsFullDirectory(launcherDirectory)) {
    ReportFailure(Status::Failed("IsFullDirectory", launcherDirectory));
    return WM_UPDATE_DOWNLOAD_FAILED;
  }
  const Installation installation(launcherDirectory);
  if (Status downloaded =
          DownloadResumably(installation, packageUrl, name, signature.OfferedVersion(), window, timings);
      !downloaded.ok()) {
    ReportFailure(downloaded);
    return WM_UPDATE_DOWNLOAD_FAILED;
  }
  // Held, shared for reading only, until the installation ended: between the
  // check and the unpacking nobody may write the file nor rename another
  // into its place. The maker's signature comes before anything is set
  // aside: whoever answers the version request names the package, so only a
  // package the maker signed for this very version may be unpacked.
  UniqueHandle held;
  Status checked = HoldPackage(installation, name, held);
  if (checked.ok() && signature.Required()) checked = signature.Check(held.Get());
  if (!checked.ok()) {
    ReportFailure(checked);
    held.Reset();
    DeletePackage(installation, name);
    return WM_UPDATE_DOWNLOAD_FAILED;
  }
  const Status installed = InstallPackage(launcherDirectory, launcherDirectory + name);
  if (!installed.ok()) ReportFailure(installed);
  // The installation could not delete the package while it was held open.
  held.Reset();
  DeletePackage(installation, name);
  return installed.ok() ? WM_UPDATE_INSTALL_DONE : WM_UPDATE_INSTALL_FAILED;
}

}  // namespace

void RunCheckedUpdate(std::wstring launcherDirectory, std::wstring packageUrl, HWND window, PackageSignature signature,
                      DownloadTimings timings) {
  ::PostMessageW(window, DownloadCheckAndInstall(launcherDirectory, packageUrl, window, signature, timings), 0, 0);
}

void UpdateWorker(std::wstring packageUrl, std::wstring offeredVersion, std::wstring signatureText, HWND window) {
  RunCheckedUpdate(LauncherDirectory(), std::move(packageUrl), window,
                   PackageSignature::BuiltIn(std::move(signatureText), std::move(offeredVersion)));
}

}  // namespace Launcher
