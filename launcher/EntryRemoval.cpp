#include "launcher/EntryRemoval.h"

#include <windows.h>

#include "launcher/UniqueFindHandle.h"
#include "launcher/extract/ItemPath.h"

namespace Launcher {

namespace {

// Windows refuses to delete a read-only file or directory; the flag is taken
// off first and put back when the deletion fails anyway, so that a file that
// stays is the file it was.
template <typename Delete>
bool DeleteClearingReadOnly(const std::wstring& path, DWORD attributes, Delete remove) {
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly) ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (remove(path.c_str())) return true;
  const DWORD error = ::GetLastError();
  if (readOnly) ::SetFileAttributesW(path.c_str(), attributes);
  ::SetLastError(error);
  return false;
}

// Removes `path`, which must resolve to `expectedFinal` (SevenZip::ResolvesTo)
// for anything to happen to it.
bool RemoveResolved(const std::wstring& path, const std::wstring& expectedFinal) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  // A link stays: Wine deletes a file link's target, and a directory link
  // would be entered. What it points to belongs to somebody else.
  if (!SevenZip::ResolvesTo(path, expectedFinal)) return false;
  const auto removeFile = [](const wchar_t* p) { return ::DeleteFileW(p) != FALSE; };
  const auto removeDirectory = [](const wchar_t* p) { return ::RemoveDirectoryW(p) != FALSE; };
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteClearingReadOnly(path, attributes, removeFile);

  bool all = true;
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (!RemoveResolved(path + L"\\" + name, expectedFinal + L"\\" + name)) all = false;
    } while (::FindNextFileW(find.Get(), &data));
  }
  // Trying the directory anyway is harmless: it stays when anything is left.
  return DeleteClearingReadOnly(path, attributes, removeDirectory) && all;
}

}  // namespace

bool RemoveEntry(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash + 1 == path.size()) return false;
  const std::wstring parent = SevenZip::FinalPath(path.substr(0, slash + 1));
  if (parent.empty()) {
    // Nothing can stand below a directory that is not there.
    const DWORD error =
        ::GetFileAttributesW(path.substr(0, slash + 1).c_str()) == INVALID_FILE_ATTRIBUTES ? ::GetLastError() : 0;
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  return RemoveResolved(path, parent + L"\\" + path.substr(slash + 1));
}

bool RemoveInstalledEntry(const std::wstring& directory, const std::wstring& relativePath) {
  if (SevenZip::ReachesThroughLink(directory, relativePath)) return false;
  return RemoveEntry(directory + relativePath);
}

Status MoveInstalledEntry(const std::wstring& directory, const std::wstring& from, const std::wstring& to) {
  if (SevenZip::ReachesThroughLink(directory, from)) return Status::Failed("ReachesThroughLink", directory + from);
  if (SevenZip::ReachesThroughLink(directory, to)) return Status::Failed("ReachesThroughLink", directory + to);
  if (!::MoveFileExW((directory + from).c_str(), (directory + to).c_str(), MOVEFILE_COPY_ALLOWED)) {
    return Status::FromLastError("MoveFileExW", directory + from);
  }
  return Status::Ok();
}

}  // namespace Launcher
