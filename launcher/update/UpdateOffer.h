#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Launcher {

// What the version service offered: the package's address, the version it
// installs, the maker's signature of it and its size (the reply's
// Data.DownloadUrl, Data.LatestVersion, Data.Signature and Data.Size; 0: not
// announced) and the mirrors, as the reply gave them. A plain value; any thread.
struct UpdateOffer {
  std::wstring address;
  std::wstring version;
  std::wstring signature;
  std::uint64_t size = 0;
  // Data.Mirrors: other addresses of the same package bytes, in the maker's
  // order, tried after `address`.
  std::vector<std::wstring> mirrors = {};
};

}  // namespace Launcher
