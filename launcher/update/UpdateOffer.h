#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Launcher {

// One package the version service offers: where it lies (Data.DownloadUrl,
// then Data.Mirrors: other addresses of the same bytes in the maker's
// order), the maker's signature of it (Data.Signature), its size (Data.Size;
// 0: not announced) and, for a delta, the version it turns into the offered
// one (Data.Deltas[].From; empty for the full package). A plain value; any
// thread.
struct OfferedPackage {
  std::wstring address;
  std::wstring signature;
  std::uint64_t size = 0;
  std::vector<std::wstring> mirrors = {};
  std::wstring from = {};
};

// What the version service offered: the version it installs
// (Data.LatestVersion), the full package, and the deltas (Data.Deltas) as
// the reply gave them, with the version installed now (empty: unknown), which
// picks the delta. A plain value; any thread.
struct UpdateOffer {
  std::wstring version;
  OfferedPackage package;
  std::vector<OfferedPackage> deltas = {};
  std::wstring installedVersion = {};
};

}  // namespace Launcher
