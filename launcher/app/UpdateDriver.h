#pragma once

#include <string>

#include "launcher/service/VersionReply.h"
#include "launcher/update/UpdateOffer.h"

namespace Launcher {

class SingletonExe;

// The one road a launcher run takes after asking the version service.
enum class Road {
  ReportServiceFailure,  // message box "Get Data Failed!", the product is not started
  StartProduct,          // start the product without updating
  OpenUpdateWindow,      // download and install, then start the product
};

// The decision of a run, first match wins: a failed request reports the
// failure; a non-zero reply code starts the product whatever the versions; an
// offer below `floorVersion` (the highest version the launcher installed,
// VersionFloor; empty for none) starts the product, so that no reply can
// bring back an older version, even when the product's own version cannot be
// read; an update is needed (either version empty, or installed < offered)
// opens the update window; otherwise the product is started.
Road ChooseRoad(const VersionReply& reply, const std::wstring& installedVersion,
                const std::wstring& floorVersion = std::wstring());

// The update `reply` offers to an installation of `installedVersion` (empty:
// unknown, when no delta serves): its full package and its deltas, as read.
UpdateOffer OfferOf(const VersionReply& reply, const std::wstring& installedVersion);

// Gives `guard` the driver's handlers (they write "has a exe running!" and
// "has other exe want to run" to standard output) and starts it under the
// launcher's single-instance name. Returns only in the first launcher.
void StartSingleInstanceGuard(SingletonExe& guard);

}  // namespace Launcher
