#include "launcher/app/UpdateDriver.h"

#include <cstdio>

#include "launcher/app/SingletonExe.h"
#include "launcher/service/VersionNumbers.h"

namespace Launcher {

namespace {

constexpr wchar_t kSingleInstanceName[] = L"VxSpeedUp";

// Writes `text` and a line end to standard output and flushes it at once.
void PrintLine(const char* text) {
  std::fputs(text, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

Road ChooseRoad(const VersionReply& reply, const std::wstring& installedVersion, const std::wstring& floorVersion) {
  if (!reply.requestSucceeded) return Road::ReportServiceFailure;
  if (reply.code != 0) return Road::StartProduct;
  if (!floorVersion.empty() && NeedsUpdate(reply.latestVersion, floorVersion)) return Road::StartProduct;
  if (NeedsUpdate(installedVersion, reply.latestVersion)) return Road::OpenUpdateWindow;
  return Road::StartProduct;
}

UpdateOffer OfferOf(const VersionReply& reply, const std::wstring& installedVersion) {
  UpdateOffer offer{reply.latestVersion,
                    OfferedPackage{reply.downloadUrl, reply.signature, reply.packageSize, reply.mirrors}};
  for (const VersionReply::Delta& delta : reply.deltas) {
    offer.deltas.push_back(
        OfferedPackage{delta.downloadUrl, delta.signature, delta.packageSize, delta.mirrors, delta.from});
  }
  offer.installedVersion = installedVersion;
  return offer;
}

void StartSingleInstanceGuard(SingletonExe& guard) {
  // C stdio, not std::cout: the same bytes on the same stream, without linking
  // the standard streams' machinery into the program.
  guard.OnAlreadyRunning([] { PrintLine("has a exe running!"); })
      .OnOtherWantsToRun([] { PrintLine("has other exe want to run"); })
      .Start(kSingleInstanceName);
}

}  // namespace Launcher
