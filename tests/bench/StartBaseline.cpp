// start_baseline URL: the platform's part of the launcher's no-update start.
// One WinINet HTTPS GET of URL with the launcher's request and security flags,
// reading the whole body, then one CreateProcessW of VxSpeedUp.exe in the
// current directory with the launcher's command line. Exit code 0 when both
// succeeded, 3 when the GET failed or gave an empty body.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/bench/LauncherLikeGet.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  if (LauncherLikeGet(argv[1]).empty()) return 3;

  wchar_t directory[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, directory);
  std::wstring commandLine = L"\"" + std::wstring(directory) + L"\\VxSpeedUp.exe\" -show -oemid:169";
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) return 6;
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return 0;
}
