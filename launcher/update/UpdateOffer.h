#pragma once

#include <string>

namespace Launcher {

// What the version service offered: the package's address, the version it
// installs and the maker's signature of it (the reply's Data.DownloadUrl,
// Data.LatestVersion and Data.Signature), as the reply gave them. A plain
// value; any thread.
struct UpdateOffer {
  std::wstring address;
  std::wstring version;
  std::wstring signature;
};

}  // namespace Launcher
