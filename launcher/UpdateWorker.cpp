#include "launcher/UpdateWorker.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/FileNames.h"
#include "launcher/LauncherDirectory.h"
#include "launcher/SetAsideList.h"
#include "base/Status.h"
#include "launcher/UpdateJournal.h"
#include "launcher/UpdateMessages.h"
#include "launcher/extract/ItemPath.h"
#include "launcher/extract/SevenZipExtractor.h"
#include "launcher/net/BindCallback.h"
#include "launcher/net/FileDownload.h"

namespace Launcher {

namespace {

// Removes what a failed extraction created, newest first, so that each
// directory is empty by the time its turn comes. The extraction may have made
// a file or a directory read-only, which keeps Windows from removing it.
// Returns the paths that are still there, relative to `launcherDirectory`,
// newest first.
std::vector<std::wstring> RemoveCreated(const std::wstring& launcherDirectory,
                                        const std::vector<std::wstring>& created) {
  std::vector<std::wstring> left;
  for (auto path = created.rbegin(); path != created.rend(); ++path) {
    const DWORD attributes = ::GetFileAttributesW(path->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    const bool inside = path->compare(0, launcherDirectory.size(), launcherDirectory) == 0;
    // A link made since the extraction wrote the path leads elsewhere: left
    // alone, listed like anything else that stays.
    if (!inside || SevenZip::ReachesThroughLink(launcherDirectory, path->substr(launcherDirectory.size()))) {
      if (inside) left.push_back(path->substr(launcherDirectory.size()));
      continue;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      ::SetFileAttributesW(path->c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    const BOOL removed =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(path->c_str()) : ::DeleteFileW(path->c_str());
    if (!removed) left.push_back(path->substr(launcherDirectory.size()));
  }
  return left;
}

// Puts back what an installation changed; whatever cannot be undone now is
// listed for the next start. Fails, with the write's cause, when that list
// could not be written.
Status RollBack(const std::wstring& launcherDirectory, const std::vector<std::wstring>& created,
                SetAsideList& setAside) {
  const std::vector<std::wstring> left = RemoveCreated(launcherDirectory, created);
  if (!setAside.RestoreAll().ok() || !left.empty()) return setAside.DeferRestore(left);
  return Status::Ok();
}

// Refuses, before anything is touched, a package whose item names could
// reach outside what the update may change; names the check that refused and
// the item. Gives an unnamed item its extraction name.
Status RefuseUnsafeItems(const std::wstring& launcherDirectory, std::vector<std::wstring>& items) {
  // A name that leaves the installation must not even be set aside: that
  // alone would move files outside it. An item without a name (a bare lzma
  // stream) is written under the extraction's own name for it. The
  // pending-deletion file and the update record are the launcher's: a package
  // writing them could have the next start delete anything. A short alias of
  // an installed file would set aside and restore the file under the alias,
  // losing its name. A full path of MAX_PATH characters or more cannot be
  // written on every system, nor removed by the rollback: such a package is
  // refused before anything is touched rather than installed in part.
  for (std::wstring& item : items) {
    if (item.empty()) item = SevenZip::kUnnamedItemPath;
    if (!SevenZip::IsSafeItemPath(item)) return Status::Failed("IsSafeItemPath", item);
    if (IsLauncherOwnName(item)) return Status::Failed("IsLauncherOwnName", item);
    if (launcherDirectory.size() + item.size() >= MAX_PATH) return Status::Failed("MAX_PATH", item);
    if (ReachesThroughAlias(launcherDirectory, item)) return Status::Failed("ReachesThroughAlias", item);
    // A link in the installation (bin -> a system folder) would have the
    // update set aside, write and delete files wherever it points.
    if (SevenZip::ReachesThroughLink(launcherDirectory, item)) return Status::Failed("ReachesThroughLink", item);
  }
  return Status::Ok();
}

// The items to set aside, in package order.
std::vector<std::wstring> SetAsideCandidates(const std::wstring& launcherDirectory,
                                             const std::vector<std::wstring>& items,
                                             const std::vector<bool>& directories) {
  std::vector<std::wstring> candidates;
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

// The package's download as a step of the worker: DownloadToFile answers only
// true or false, so a failure names the call and the address.
Status DownloadPackage(const std::wstring& packageUrl, const std::wstring& packageFile, HWND window) {
  if (DownloadToFile(packageUrl, packageFile, BindCallback(window))) return Status::Ok();
  return Status::Failed("DownloadToFile", packageUrl);
}

// The one line the worker leaves about a failed update: the product keeps no
// log file, so the cause goes to the standard error stream.
void ReportFailure(const Status& status) {
  std::fprintf(stderr, "update failed: %s\n", status.ToString().c_str());
  std::fflush(stderr);
}

}  // namespace

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
  const auto reach = [watcher](InstallStep step) {
    if (watcher) watcher->Reached(step);
  };
  SevenZip::SevenZipExtractor extractor;
  extractor.SetPath(packageFile);
  std::vector<std::wstring> items = extractor.ItemNames();
  const std::vector<bool> directories = extractor.ItemDirectoryFlags();

  if (Status refused = RefuseUnsafeItems(launcherDirectory, items); !refused.ok()) return refused;

  SetAsideList setAside(launcherDirectory, items);
  const std::vector<std::wstring> candidates = SetAsideCandidates(launcherDirectory, items, directories);

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
  record.created = MissingPaths(launcherDirectory, items);
  record.setAside = setAside.Plan(candidates);
  for (const SetAsideList::Entry& planned : record.setAside) {
    if (launcherDirectory.size() + planned.setAsideName.size() >= MAX_PATH) {
      return Status::Failed("MAX_PATH", planned.setAsideName);
    }
  }
  if (Status written = journal.Write(record); !written.ok()) return written;
  reach(InstallStep::Recorded);

  // Returns `cause`, the step that failed: a rollback that could not list
  // what is left changes nothing the caller could do about it.
  const auto fail = [&](const std::vector<std::wstring>& created, Status cause) {
    const bool listed = RollBack(launcherDirectory, created, setAside).ok();
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
  if (const HRESULT extracted = extractor.ExtractTo(launcherDirectory); extracted != 0) {
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
  ::DeleteFileW(packageFile.c_str());
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

void RunCheckedUpdate(std::wstring launcherDirectory, std::wstring packageUrl, HWND window,
                      PackageSignature signature) {
  const std::wstring name = PackageName(packageUrl);
  // Checked before anything is deleted: the name decides which file the
  // stale-package step and the final clean-up delete.
  if (!IsFullDirectory(launcherDirectory) || !IsUsablePackageName(launcherDirectory, name, LauncherFileName())) {
    ReportFailure(Status::Failed("IsUsablePackageName", launcherDirectory + name));
    ::PostMessageW(window, WM_UPDATE_DOWNLOAD_FAILED, 0, 0);
    return;
  }
  const std::wstring packageFile = launcherDirectory + name;
  if (PathExists(packageFile)) ::DeleteFileW(packageFile.c_str());

  if (Status downloaded = DownloadPackage(packageUrl, packageFile, window); !downloaded.ok()) {
    ReportFailure(downloaded);
    ::PostMessageW(window, WM_UPDATE_DOWNLOAD_FAILED, 0, 0);
    return;
  }

  // The maker's signature, before anything is set aside: whoever answers the
  // version request names the package, so only a package the maker signed
  // for this very version may be unpacked. The package stays open, shared
  // for reading only, until the installation ended: what is unpacked is what
  // was checked.
  UniqueHandle checked;
  if (signature.Required() && signature.CheckHeld(packageFile, checked) != PackageSignature::Verdict::Valid) {
    ReportFailure(Status::Failed("PackageSignature::CheckHeld", packageFile));
    checked.Reset();
    ::DeleteFileW(packageFile.c_str());
    ::PostMessageW(window, WM_UPDATE_DOWNLOAD_FAILED, 0, 0);
    return;
  }

  const Status installation = InstallPackage(launcherDirectory, packageFile);
  const bool installed = installation.ok();
  if (!installed) ReportFailure(installation);
  // The installation could not delete the package while it was held open.
  if (checked && installed) {
    checked.Reset();
    ::DeleteFileW(packageFile.c_str());
  }
  ::PostMessageW(window, installed ? WM_UPDATE_INSTALL_DONE : WM_UPDATE_INSTALL_FAILED, 0, 0);
}

void UpdateWorker(std::wstring packageUrl, std::wstring offeredVersion, std::wstring signatureText, HWND window) {
  RunCheckedUpdate(LauncherDirectory(), std::move(packageUrl), window,
                   PackageSignature::BuiltIn(std::move(signatureText), std::move(offeredVersion)));
}

}  // namespace Launcher
