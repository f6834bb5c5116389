#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Launcher {

// What the version service told the launcher, as the driver needs it.
struct VersionReply {
  // The HTTP exchange ended in HttpOk.
  bool requestSucceeded = false;
  // The reply's Code; 0 when the request failed or the body was not valid JSON.
  int code = 0;
  // Data.LatestVersion, Data.UpdateContent, Data.DownloadUrl; empty unless code is 0.
  std::wstring latestVersion;
  std::wstring updateContent;
  std::wstring downloadUrl;
  // Data.Signature: the maker's minisign signature of the package
  // (PackageSignature), read like the texts above; empty unless code is 0,
  // and when the member is a number, array or object or is longer than
  // kMaxSignatureSize bytes (the rest of the reply is read all the same).
  std::wstring signature;
  // Data.Size: the package's bytes as the service announces them; 0 when
  // absent or not a whole number above 0.
  std::uint64_t packageSize = 0;
  // Data.Mirrors: other addresses of the same package, in the maker's order;
  // empty when absent or not an array of texts (each read like the texts
  // above).
  std::vector<std::wstring> mirrors = {};
};

// The longest Data.Signature read, in bytes.
constexpr size_t kMaxSignatureSize = 4096;

}  // namespace Launcher
