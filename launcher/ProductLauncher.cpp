#include "launcher/ProductLauncher.h"

#include <windows.h>

#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/LauncherDirectory.h"
#include "launcher/VersionNumbers.h"

namespace Launcher {

namespace {

constexpr wchar_t kVersionKey[] = L"FileVersion";

}  // namespace

std::wstring ProductCommandLine(const std::wstring& launcherDirectory) {
  return L"\"" + launcherDirectory + kProductExecutable + L"\" -show -oemid:" + FormatDecimal(kProductOemId);
}

bool LaunchProduct(const std::wstring& launcherDirectory) {
  // CreateProcessW may write into the command line, so it gets its own buffer.
  const std::wstring commandLine = ProductCommandLine(launcherDirectory);
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info = {};
  const BOOL created =
      ::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  // The launcher does not wait for the product; a zero wait only samples it.
  if (process) ::WaitForSingleObject(process.Get(), 0);
  return created != FALSE;
}

std::wstring InstalledVersion(const std::wstring& launcherDirectory) {
  const std::wstring product = launcherDirectory + kProductExecutable;
  std::wstring version;
  if (PathExists(product)) QueryVersionString(product, kVersionKey, version);
  return version;
}

}  // namespace Launcher
