#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "base/Status.h"
#include "launcher/update/PackageDigest.h"

namespace Launcher {

// The maker's signature of one offered update package: a minisign signature
// (the four lines minisign writes to PACKAGE.minisig, sent by the version
// service as Data.Signature) checked against the maker's public key (the
// base64 line of a minisign.pub).
//
// A package passes only when the signature is well formed, was made with the
// key's id, its Ed25519 signature verifies over the package (the prehashed
// "ED" form over the package's BLAKE2b-512, or the legacy "Ed" form over the
// package itself), its global signature verifies over that signature and its
// trusted comment, and the trusted comment is exactly "version " followed by
// the offered version, so that an old package the maker really signed cannot
// be offered again as a newer version.
//
// A package is read in chunks of kChunkSize, so that checking a large package
// costs no more memory than a small one. The legacy form signs the package
// itself, which libsodium verifies only as one message in memory; such a
// signature is accepted for packages up to kMaxLegacyPackageSize and refused
// above it (minisign has written the prehashed form by default since 0.8).
//
// Holds copies of its inputs; copyable; any thread. The cryptography is
// libsodium's.
class PackageSignature {
 public:
  // The longest signature text taken, in characters (minisign writes about
  // 250 plus the two comments).
  static constexpr size_t kMaxTextSize = 4096;
  static constexpr uint64_t kMaxLegacyPackageSize = 8u << 20;
  static constexpr DWORD kChunkSize = 256u << 10;

  // `publicKey`: the base64 line of a minisign.pub, ASCII; empty or broken,
  // every check fails.
  // `signatureText`: the offered Data.Signature; `offeredVersion`: the
  // offered Data.LatestVersion. `baseVersion`: for a delta, a package that
  // turns exactly that installed version into the offered one, whose trusted
  // comment must then be "version " + offered + " from " + base, so that a
  // delta is never applied to another base (nor a full package's signature
  // taken for a delta's, or the other way round); empty for a full package.
  PackageSignature(const std::string& publicKey, std::wstring signatureText, std::wstring offeredVersion,
                   std::wstring baseVersion = std::wstring());

  // The key the program was built with (LAUNCHER_UPDATE_PUBLIC_KEY).
  static std::string BuiltInKey();

  // The offered Data.LatestVersion this proof is checked against.
  const std::wstring& OfferedVersion() const { return offeredVersion_; }

  // Checks the package read from `package` (a file handle opened for reading,
  // read from its start; its position afterwards is unspecified). `digest`
  // (may be null): the package's hash as its bytes were written, used in
  // place of reading the package when it covers the file's whole size. Ok only for
  // a package that passes every check above; otherwise the check that
  // refused, as one line: `PackageSignature: no signature offered`,
  // `PackageSignature: trusted comment is "version 1.0.0.9", expected
  // "version 1.0.0.10"`, or the failed read with the platform's code.
  Status Check(HANDLE package, const PackageDigest* digest = nullptr) const;

 private:
  bool keyValid_ = false;
  std::array<unsigned char, 8> keyId_ = {};
  std::array<unsigned char, 32> publicKey_ = {};
  std::wstring signatureText_;
  std::wstring offeredVersion_;
  std::wstring baseVersion_;
};

}  // namespace Launcher
