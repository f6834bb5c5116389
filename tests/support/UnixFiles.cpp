#include "tests/support/UnixFiles.h"

#include <windows.h>

#include <vector>

#include "base/UniqueHandle.h"
#include "tests/support/Files.h"

namespace {

// Wine's own export: the Unix name of a DOS path, on the process heap.
using UnixFileNameFunction = char*(__cdecl*)(const wchar_t*);

// Runs `command` with the Unix shell and waits until it has run: Wine gives a
// Windows parent no handle to wait on for a Unix child, so the shell touches
// a marker file when it is done.
bool RunUnix(const std::string& command) {
  static int serial = 0;
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  const std::wstring marker = std::wstring(folder) + L"unix-done-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++serial);
  ::DeleteFileW(marker.c_str());
  const std::string markerFolder = UnixPath(folder);
  if (markerFolder.empty()) return false;
  const std::string markerPath = markerFolder + "/" + Narrow(marker.substr(marker.rfind(L'\\') + 1));
  std::wstring commandLine = Widen("/bin/sh -c \"" + command + "; touch '" + markerPath + "'\"");
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  for (int i = 0; i < 1000 && ::GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(10);
  return ::DeleteFileW(marker.c_str()) != FALSE;
}

// Whether `folder` lists an entry named exactly `name` (a name with a
// trailing blank cannot be looked up directly).
bool Listed(const std::wstring& folder, const std::wstring& name) {
  WIN32_FIND_DATAW data;
  const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    found = found || name == data.cFileName;
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return found;
}

// Quoted for the shell (the tests' paths hold no single quote).
std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

}  // namespace

std::string UnixPath(const std::wstring& windowsPath) {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const auto convert = reinterpret_cast<UnixFileNameFunction>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")));
  if (!convert) return std::string();
  char* unix = convert(windowsPath.c_str());
  if (!unix) return std::string();
  std::string path(unix);
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return path;
}

bool MakeUnixLink(const std::wstring& link, const std::wstring& target) {
  std::wstring plainLink = link;
  while (!plainLink.empty() && plainLink.back() == L'\\') plainLink.pop_back();
  // The link's own name may not map while nothing stands there: its folder does.
  const size_t slash = plainLink.rfind(L'\\');
  const std::string folder = UnixPath(plainLink.substr(0, slash));
  std::wstring plainTarget = target;
  while (!plainTarget.empty() && plainTarget.back() == L'\\') plainTarget.pop_back();
  const std::string targetPath = UnixPath(plainTarget);
  if (folder.empty() || targetPath.empty()) return false;
  const std::string linkPath = folder + "/" + Narrow(plainLink.substr(slash + 1));
  if (!RunUnix("/bin/ln -s " + Quoted(targetPath) + " " + Quoted(linkPath))) return false;
  return Listed(plainLink.substr(0, slash), plainLink.substr(slash + 1));
}

bool SetUnixMode(const std::wstring& path, const char* mode) {
  const std::string unixPath = UnixPath(path);
  if (unixPath.empty()) return false;
  return RunUnix(std::string("/bin/chmod ") + mode + " " + Quoted(unixPath));
}
