#include "launcher/service/ProductLauncher.h"

#include <cstdio>

#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/fs/FileAuthority.h"
#include "launcher/service/SignedInUser.h"
#include "launcher/service/VersionNumbers.h"

namespace Launcher {

namespace {

constexpr wchar_t kVersionKey[] = L"FileVersion";

}  // namespace

bool IsTrustedProduct(const Installation& installation) {
  return installation.Examine(kProductExecutable).standing == Installation::Standing::Trusted;
}

std::wstring ProductCommandLine(const std::wstring& launcherDirectory) {
  return L"\"" + launcherDirectory + kProductExecutable + L"\" -show -oemid:" + FormatDecimal(kProductOemId);
}

Status LaunchProduct(const Installation& installation) {
  // Held, shared for reading only, while the process is made: between the
  // check and the start nobody may write the file or put another in its place.
  UniqueHandle product;
  if (Status opened = installation.Open(kProductExecutable, GENERIC_READ | READ_CONTROL, product, FILE_SHARE_READ);
      !opened.ok()) {
    return opened;
  }
  if (!IsTrustedObject(product.Get())) {
    return Status::Failed(Status::Kind::Refused, "IsTrustedObject", installation.PathOf(kProductExecutable));
  }
  // CreateProcessW may write into the command line, so it gets its own buffer.
  const std::wstring commandLine = ProductCommandLine(installation.Directory());
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    return Status::FromLastError("CreateProcessW", commandLine);
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  // The launcher does not wait for the product; a zero wait only samples it.
  ::WaitForSingleObject(process.Get(), 0);
  return Status::Ok();
}

std::wstring InstalledVersion(const Installation& installation) {
  // Only the launcher's own product counts: a file another account put
  // under the name, or can change, is no installed product (the update
  // road then installs one).
  std::wstring version;
  if (!IsTrustedProduct(installation)) return version;
  QueryVersionString(installation.PathOf(kProductExecutable), kVersionKey, version);
  return version;
}

std::wstring ProductHomePage() {
  return L"http://" LAUNCHER_HOMEPAGE_HOST L"/?oemid=" + FormatDecimal(kProductOemId);
}

void OpenProductHomePage() {
  // Never in a browser running as administrator: elevated, the page opens
  // as the signed-in user or not at all.
  if (RunsElevated()) {
    static_cast<void>(OpenAsSignedInUser(ProductHomePage()));
    return;
  }
  ::ShellExecuteW(nullptr, L"open", ProductHomePage().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void LaunchProductUnlessHeld(const Installation& installation, ProductHold hold) {
  switch (hold) {
    case ProductHold::None:
      // Not reported: the user sees the product did not start.
      static_cast<void>(LaunchProduct(installation));
      return;
    case ProductHold::RestoreWaits:
      std::fputs("product not started: an installed file is not back under its name yet\n", stderr);
      break;
    case ProductHold::OthersFilesBeside:
      std::fputs("product not started: its directory holds a file another account made or may change\n", stderr);
      break;
  }
  std::fflush(stderr);
}

}  // namespace Launcher
