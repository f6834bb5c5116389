#pragma once

#include <cstdint>
#include <string>

namespace Launcher {

// What the version service offered: the package's address, the version it
// installs, the maker's signature of it and its size (the reply's
// Data.DownloadUrl, Data.LatestVersion, Data.Signature and Data.Size; 0: not
// announced), as the reply gave them. A plain value; any thread.
struct UpdateOffer {
  std::wstring address;
  std::wstring version;
  std::wstring signature;
  std::uint64_t size = 0;
};

}  // namespace Launcher
