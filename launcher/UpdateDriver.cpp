#include "launcher/UpdateDriver.h"

#include <objbase.h>

#include <cstdio>
#include <vector>

#include "base/UniqueHandle.h"
#include "duilib/core/CMessageLoopUI.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "launcher/LauncherDirectory.h"
#include "launcher/PendingDeletionFile.h"
#include "launcher/SingletonExe.h"
#include "launcher/UpdateJournal.h"
#include "launcher/VersionNumbers.h"
#include "launcher/VersionService.h"
#include "launcher/net/HttpClient.h"
#include "launcher/ui/MainWindow.h"
#include "launcher/ui/VxMessageBox.h"

namespace {

constexpr wchar_t kSingleInstanceName[] = L"VxSpeedUp";
constexpr wchar_t kVersionKey[] = L"FileVersion";
constexpr UINT kSkinPackageResource = 101;

// Writes `text` and a line end to standard output and flushes it at once.
void PrintLine(const char* text) {
  std::fputs(text, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

Road ChooseRoad(const VersionReply& reply, const std::wstring& installedVersion) {
  if (!reply.requestSucceeded) return Road::ReportServiceFailure;
  if (reply.code != 0) return Road::StartProduct;
  if (NeedsUpdate(installedVersion, reply.latestVersion)) return Road::OpenUpdateWindow;
  return Road::StartProduct;
}

void StartSingleInstanceGuard(SingletonExe& guard) {
  // C stdio, not std::cout: the same bytes on the same stream, without linking
  // the standard streams' machinery into the program.
  guard.OnAlreadyRunning([] { PrintLine("has a exe running!"); })
      .OnOtherWantsToRun([] { PrintLine("has other exe want to run"); })
      .Start(kSingleInstanceName);
}

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

bool PrepareToolkit(HINSTANCE instance) {
  DuiLib::CResourceSettingsUI::SetInstance(instance);
  // COM stays initialised for the rest of the run; "already initialised"
  // (S_FALSE) counts as success.
  if (FAILED(::CoInitialize(nullptr))) return false;
  DuiLib::CResourceSettingsUI::InstallZipResource(instance, kSkinPackageResource);
  return true;
}

void RunUpdateWindow(const VersionReply& reply) {
  MainWindow window(reply.updateContent, reply.downloadUrl, reply.latestVersion, reply.signature);
  // Without a window no worker runs and nothing would end the loop.
  if (!ShowUpdateWindow(window)) return;
  // The window posts WM_QUIT when it is destroyed.
  DuiLib::CMessageLoopUI::RunMessageLoop();
}

int RunLauncher(HINSTANCE instance) {
  SingletonExe guard;
  StartSingleInstanceGuard(guard);

  const std::wstring directory = LauncherDirectory();
  // An update cut short would otherwise leave a mixture of old and new files
  // whose version means nothing.
  RepairInterruptedUpdate(directory);
  const std::wstring installedVersion = InstalledVersion(directory);
  ProcessPendingDeletions(directory);

  // The client lives until the run ends: its handles are closed on the way out.
  HttpClient client;
  const VersionReply reply = FetchVersionReply(client);
  const Road road = ChooseRoad(reply, installedVersion);

  // COM and the skin serve only the windows: the road that starts the product
  // opens none, and initialising COM costs it a noticeable part of its start.
  // Without COM the launcher shows nothing.
  if (road != Road::StartProduct && !PrepareToolkit(instance)) return 0;

  switch (road) {
    case Road::StartProduct:
      LaunchProduct(directory);
      break;
    case Road::ReportServiceFailure:
      // The answer is not used: either way the run ends without the product.
      ShowMessageBox(L"Error", L"Get Data Failed!", MessageBoxMode::OkOnly, nullptr);
      break;
    case Road::OpenUpdateWindow:
      RunUpdateWindow(reply);
      break;
  }
  return 0;
}
