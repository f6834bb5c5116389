#include "launcher/app/LauncherRun.h"

#include <objbase.h>

#include <memory>

#include "duilib/core/CMessageLoopUI.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "launcher/app/SingletonExe.h"
#include "launcher/app/UpdateDriver.h"
#include "launcher/app/WindowUpdate.h"
#include "launcher/fs/InstallationClaim.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/net/HttpClient.h"
#include "launcher/service/ProductLauncher.h"
#include "launcher/service/VersionService.h"
#include "launcher/ui/MainWindow.h"
#include "launcher/ui/VxMessageBox.h"
#include "launcher/update/PendingList.h"
#include "launcher/update/UpdateRepair.h"
#include "launcher/update/VersionFloor.h"

namespace Launcher {

namespace {

constexpr UINT kSkinPackageResource = 101;

}  // namespace

bool PrepareToolkit(HINSTANCE instance) {
  DuiLib::CResourceSettingsUI::SetInstance(instance);
  // COM stays initialised for the rest of the run; "already initialised"
  // (S_FALSE) counts as success.
  if (FAILED(::CoInitialize(nullptr))) return false;
  DuiLib::CResourceSettingsUI::InstallZipResource(instance, kSkinPackageResource);
  return true;
}

void RunUpdateWindow(const VersionReply& reply, const std::wstring& installedVersion,
                     std::shared_ptr<const Installation> installation, ProductHold hold) {
  WindowUpdate update(std::move(installation), OfferOf(reply, installedVersion), hold);
  MainWindow window(reply.updateContent, update);
  // Without a window no worker runs and nothing would end the loop.
  if (!ShowUpdateWindow(window)) return;
  // The window posts WM_QUIT when it is destroyed.
  DuiLib::CMessageLoopUI::RunMessageLoop();
}

int RunLauncher(HINSTANCE instance) {
  SingletonExe guard;
  StartSingleInstanceGuard(guard);

  // The run's one gate to the installation, shared with the update's thread.
  const auto installation = std::make_shared<const Installation>(LauncherDirectory());
  // Before anything in the installation is read, changed or started: no
  // other account may add, change or delete anything there from now on, and
  // what other accounts made there is moved aside or keeps the product from
  // starting.
  const InstallationClaim claim = InstallationClaim::Make(*installation, LauncherFileName());
  // An update cut short would otherwise leave a mixture of old and new files
  // whose version means nothing.
  const RepairOutcome repaired = RepairInterruptedUpdate(*installation);
  const std::wstring installedVersion = InstalledVersion(*installation);
  const bool restoreWaits = ProcessPendingDeletions(*installation);
  // An installed file still waiting to go back to its name (held by another
  // account's file, or recorded nowhere else yet) would leave the product
  // loading whatever stands there: it is not started until a start has put
  // it back.
  const ProductHold hold = !claim.ProductMayStart()                                ? ProductHold::OthersFilesBeside
                           : repaired == RepairOutcome::Unfinished || restoreWaits ? ProductHold::RestoreWaits
                                                                                   : ProductHold::None;

  // The client lives until the run ends: its handles are closed on the way out.
  HttpClient client;
  const VersionReply reply = FetchVersionReply(client);
  // The floor matters only to an offer that would update: the start that
  // finds no update reads no more of the installation.
  Road road = ChooseRoad(reply, installedVersion);
  if (road == Road::OpenUpdateWindow) road = ChooseRoad(reply, installedVersion, VersionFloor(*installation).Read());

  // COM and the skin serve only the windows: the road that starts the product
  // opens none, and initialising COM costs it a noticeable part of its start.
  // Without COM the launcher shows nothing.
  if (road != Road::StartProduct && !PrepareToolkit(instance)) return 0;

  switch (road) {
    case Road::StartProduct:
      LaunchProductUnlessHeld(*installation, hold);
      break;
    case Road::ReportServiceFailure:
      // The answer is not used: either way the run ends without the product.
      ShowMessageBox(L"Error", L"Get Data Failed!", MessageBoxMode::OkOnly, nullptr);
      break;
    case Road::OpenUpdateWindow:
      RunUpdateWindow(reply, installedVersion, installation, hold);
      break;
  }
  return 0;
}

}  // namespace Launcher
