#include "launcher/UpdateWorker.h"

#include <utility>
#include <vector>

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
void RemoveCreated(const std::vector<std::wstring>& created) {
  for (auto path = created.rbegin(); path != created.rend(); ++path) {
    const DWORD attributes = ::GetFileAttributesW(path->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      ::SetFileAttributesW(path->c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      ::RemoveDirectoryW(path->c_str());
    } else {
      ::DeleteFileW(path->c_str());
    }
  }
}

}  // namespace

std::wstring PackageName(const std::wstring& packageUrl) {
  const size_t slash = packageUrl.find_last_of(L"/\\");
  return slash == std::wstring::npos ? packageUrl : packageUrl.substr(slash + 1);
}

bool InstallPackage(const std::wstring& launcherDirectory, const std::wstring& packageFile) {
  SevenZip::SevenZipExtractor extractor;
  extractor.SetPath(packageFile);
  const std::vector<std::wstring> items = extractor.ItemNames();
  const std::vector<bool> directories = extractor.ItemDirectoryFlags();

  // A name that leaves the installation must not even be set aside: that
  // alone would move files outside it. An item without a name (a bare lzma
  // stream) names nothing installed; the extraction gives it its own name.
  for (const std::wstring& item : items) {
    if (!item.empty() && !SevenZip::IsSafeItemPath(item)) return false;
  }

  SetAsideList setAside(launcherDirectory);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].empty()) continue;
    // A directory the package merely names is not replaced: moving it aside
    // would take every installed file in it that the package does not carry.
    if (i < directories.size() && directories[i] && DirectoryExists(launcherDirectory + items[i])) continue;
    if (!setAside.SetAside(items[i])) {
      setAside.RestoreAll();
      return false;
    }
  }
  // The old files are kept until every new one is in place: a failure here
  // must leave the user with the product they had.
  if (extractor.ExtractTo(launcherDirectory) != 0) {
    RemoveCreated(extractor.CreatedPaths());
    setAside.RestoreAll();
    return false;
  }
  setAside.Discard();
  ::DeleteFileW(packageFile.c_str());
  return true;
}

void RunUpdate(std::wstring launcherDirectory, std::wstring packageUrl, HWND window) {
  const std::wstring packageFile = launcherDirectory + PackageName(packageUrl);
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
