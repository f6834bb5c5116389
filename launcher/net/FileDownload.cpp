#include "launcher/net/FileDownload.h"

#include <urlmon.h>
#include <windows.h>

#include "base/FileSystem.h"
#include "launcher/net/DownloadObserver.h"

namespace Launcher {

namespace {

// Position of the later of the last "/" and the last "\", or npos.
size_t LastSeparator(const std::wstring& path) {
  return path.find_last_of(L"/\\");
}

bool FileHoldsAtLeast(const std::wstring& path, ULONG size) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  return data.nFileSizeHigh != 0 || data.nFileSizeLow >= size;
}

bool CreateOneLevel(const std::wstring& path) {
  return ::CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

}  // namespace

bool CreateDirectoryTree(const std::wstring& path) {
  const size_t separator = LastSeparator(path);
  // A path without a separator, or one whose parent is a drive root such as
  // "C:" or the empty text before a leading "\", has nothing above it that
  // could be created.
  if (separator == std::wstring::npos) return CreateOneLevel(path);
  const std::wstring parent = path.substr(0, separator);
  if (parent.empty() || PathExists(parent + L"\\")) return CreateOneLevel(path);
  if (!CreateDirectoryTree(parent)) return false;
  return CreateOneLevel(path);
}

bool DownloadToFile(const std::wstring& url, const std::wstring& target, BindCallback callback) {
  const size_t separator = LastSeparator(target);
  if (separator != std::wstring::npos) {
    const std::wstring directory = target.substr(0, separator);
    if (!directory.empty() && !PathExists(directory + L"\\") && !CreateDirectoryTree(directory)) return false;
  }

  DownloadObserver observer(callback);
  const HRESULT result =
      ::URLDownloadToFileW(nullptr, url.c_str(), target.c_str(), 0, static_cast<IBindStatusCallback*>(&observer));
  if (result != S_OK) return false;
  // Some download services report success for an HTTP error and write the
  // error page into the file; an error status is a failed download.
  if (observer.ResponseCode() >= 400) return false;
  if (!FileExists(target)) return false;
  // The same services report success when the server closes the connection
  // before the announced end; a cut-off package is a failed download. Only a
  // shortfall counts: a reply sent compressed announces fewer bytes than the
  // decoded file holds.
  return FileHoldsAtLeast(target, observer.AnnouncedSize());
}

}  // namespace Launcher
