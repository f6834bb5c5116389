#include "launcher/UpdateWorker.h"

#include <utility>
#include <vector>

#include "launcher/FileNames.h"
#include "launcher/LauncherDirectory.h"
#include "launcher/SetAsideList.h"
#include "launcher/UpdateMessages.h"
#include "launcher/extract/ItemPath.h"
#include "launcher/extract/SevenZipExtractor.h"
#include "launcher/net/BindCallback.h"
#include "launcher/net/FileDownload.h"

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
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      ::SetFileAttributesW(path->c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    const BOOL removed =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(path->c_str()) : ::DeleteFileW(path->c_str());
    if (!removed && path->compare(0, launcherDirectory.size(), launcherDirectory) == 0) {
      left.push_back(path->substr(launcherDirectory.size()));
    }
  }
  return left;
}

// Puts back what an installation changed; whatever cannot be undone now is
// listed for the next start.
void RollBack(const std::wstring& launcherDirectory, const std::vector<std::wstring>& created, SetAsideList& setAside) {
  const std::vector<std::wstring> left = RemoveCreated(launcherDirectory, created);
  if (!setAside.RestoreAll() || !left.empty()) setAside.DeferRestore(left);
}

bool IsInvalidNameCharacter(wchar_t c) {
  return c < 0x20 || std::wstring(L"<>:\"/\\|?*").find(c) != std::wstring::npos;
}

// The launcher's own executable name, as the module's path reports it.
std::wstring LauncherFileName() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring full(path);
  const size_t slash = full.find_last_of(L"\\/");
  return slash == std::wstring::npos ? full : full.substr(slash + 1);
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

bool IsUsablePackageName(const std::wstring& launcherDirectory, const std::wstring& name,
                         const std::wstring& launcherFileName) {
  if (name.empty()) return false;
  for (const wchar_t c : name) {
    if (IsInvalidNameCharacter(c)) return false;
  }
  if (!SevenZip::IsSafeItemPath(name)) return false;  // devices, dots and blanks only
  for (const std::wstring& reserved :
       {std::wstring(kProductExecutable), launcherFileName, std::wstring(kPendingDeletionFile)}) {
    if (SameFileName(name, reserved)) return false;
  }
  // Deleting a stale "VXSPEE~1.EXE" would delete the product.
  return !ReachesThroughAlias(launcherDirectory, name);
}

bool InstallPackage(const std::wstring& launcherDirectory, const std::wstring& packageFile) {
  SevenZip::SevenZipExtractor extractor;
  extractor.SetPath(packageFile);
  const std::vector<std::wstring> items = extractor.ItemNames();
  const std::vector<bool> directories = extractor.ItemDirectoryFlags();

  // A name that leaves the installation must not even be set aside: that
  // alone would move files outside it. An item without a name (a bare lzma
  // stream) names nothing installed; the extraction gives it its own name.
  // The pending-deletion file is the launcher's: a package writing it could
  // have the next start delete anything. A short alias of an installed file
  // would set aside and restore the file under the alias, losing its name.
  for (const std::wstring& item : items) {
    if (item.empty()) continue;
    if (!SevenZip::IsSafeItemPath(item) || SameFileName(item, kPendingDeletionFile)) return false;
    if (ReachesThroughAlias(launcherDirectory, item)) return false;
  }

  SetAsideList setAside(launcherDirectory, items);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].empty()) continue;
    // A directory the package merely names is not replaced: moving it aside
    // would take every installed file in it that the package does not carry.
    if (i < directories.size() && directories[i] && DirectoryExists(launcherDirectory + items[i])) continue;
    if (!setAside.SetAside(items[i])) {
      RollBack(launcherDirectory, {}, setAside);
      return false;
    }
  }
  // The old files are kept until every new one is in place: a failure here
  // must leave the user with the product they had.
  if (extractor.ExtractTo(launcherDirectory) != 0) {
    RollBack(launcherDirectory, extractor.CreatedPaths(), setAside);
    return false;
  }
  setAside.Discard();
  // A name an earlier run could not delete may now be one of the new files.
  ForgetPendingDeletions(launcherDirectory, items);
  ::DeleteFileW(packageFile.c_str());
  return true;
}

void RunUpdate(std::wstring launcherDirectory, std::wstring packageUrl, HWND window) {
  const std::wstring name = PackageName(packageUrl);
  // Checked before anything is deleted: the name decides which file the
  // stale-package step and the final clean-up delete.
  if (!IsUsablePackageName(launcherDirectory, name, LauncherFileName())) {
    ::PostMessageW(window, WM_UPDATE_DOWNLOAD_FAILED, 0, 0);
    return;
  }
  const std::wstring packageFile = launcherDirectory + name;
  if (PathExists(packageFile)) ::DeleteFileW(packageFile.c_str());

  if (!DownloadToFile(packageUrl, packageFile, BindCallback(window))) {
    ::PostMessageW(window, WM_UPDATE_DOWNLOAD_FAILED, 0, 0);
    return;
  }
  const bool installed = InstallPackage(launcherDirectory, packageFile);
  ::PostMessageW(window, installed ? WM_UPDATE_INSTALL_DONE : WM_UPDATE_INSTALL_FAILED, 0, 0);
}

void UpdateWorker(std::wstring packageUrl, HWND window) {
  RunUpdate(LauncherDirectory(), std::move(packageUrl), window);
}
