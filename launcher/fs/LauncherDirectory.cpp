#include "launcher/fs/LauncherDirectory.h"

#include <windows.h>

namespace Launcher {

std::wstring LauncherDirectory() {
  wchar_t path[MAX_PATH] = {};
  // A path that does not fit is cut, and its cut-off form may name the
  // directory above the launcher's: no directory is better than that one.
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring directory(path);
  const size_t slash = directory.rfind(L'\\');
  directory.erase(slash == std::wstring::npos ? 0 : slash + 1);
  return directory;
}

std::wstring LauncherFileName() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring full(path);
  const size_t slash = full.find_last_of(L"\\/");
  return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

}  // namespace Launcher
