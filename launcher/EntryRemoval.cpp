#include "launcher/EntryRemoval.h"

#include <windows.h>

#include "launcher/UniqueFindHandle.h"

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

}  // namespace

bool RemoveEntry(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  const auto removeFile = [](const wchar_t* p) { return ::DeleteFileW(p) != FALSE; };
  const auto removeDirectory = [](const wchar_t* p) { return ::RemoveDirectoryW(p) != FALSE; };
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteClearingReadOnly(path, attributes, removeFile);
  // A directory link goes as a link: its target belongs to somebody else.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return DeleteClearingReadOnly(path, attributes, removeDirectory);

  bool all = true;
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (!RemoveEntry(path + L"\\" + name)) all = false;
    } while (::FindNextFileW(find.Get(), &data));
  }
  // Trying the directory anyway is harmless: it stays when anything is left.
  return DeleteClearingReadOnly(path, attributes, removeDirectory) && all;
}
