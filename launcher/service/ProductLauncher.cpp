#include "launcher/service/ProductLauncher.h"

#include <cstdio>

#include <windows.h>

#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/fs/FileAuthority.h"
#include "launcher/fs/Installation.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/service/VersionNumbers.h"

namespace Launcher {

namespace {

constexpr wchar_t kVersionKey[] = L"FileVersion";

}  // namespace

bool IsTrustedProduct(const std::wstring& launcherDirectory) {
  return Installation(launcherDirectory).Examine(kProductExecutable) == Installation::Standing::Trusted;
}

std::wstring ProductCommandLine(const std::wstring& launcherDirectory) {
  return L"\"" + launcherDirectory + kProductExecutable + L"\" -show -oemid:" + FormatDecimal(kProductOemId);
}

bool LaunchProduct(const std::wstring& launcherDirectory) {
  // Held, shared for reading only, while the process is made: between the
  // check and the start nobody may write the file or put another in its place.
  const Installation installation(launcherDirectory);
  UniqueHandle product;
  if (!installation.Open(kProductExecutable, GENERIC_READ | READ_CONTROL, product, FILE_SHARE_READ).ok() ||
      !IsTrustedObject(product.Get())) {
    return false;
  }
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
  // Only the launcher's own product counts: a file another account put
  // under the name, or can change, is no installed product (the update
  // road then installs one).
  std::wstring version;
  if (!IsTrustedProduct(launcherDirectory)) return version;
  QueryVersionString(launcherDirectory + kProductExecutable, kVersionKey, version);
  return version;
}

void LaunchProductUnlessARestoreWaits(const std::wstring& launcherDirectory, bool mayStart) {
  if (mayStart) {
    LaunchProduct(launcherDirectory);
    return;
  }
  std::fputs("product not started: an installed file is not back under its name yet\n", stderr);
  std::fflush(stderr);
}

}  // namespace Launcher
