#pragma once

#include <windows.h>

#include <cstdint>

#include "base/Status.h"

namespace Launcher {

// A package's BLAKE2b-512, the hash minisign's prehashed form signs, taken
// as the download writes the package, so that the signature check after
// the download need not read the package again.
//
// The bytes are taken in file order: bytes written where the hash left off
// continue it; bytes written further on (a download that continues bytes an
// earlier start left on disk) have the part between read from the file
// first, once; bytes written before that point (a download that started
// over) begin the hash again from the file's start. A read that fails
// leaves no hash until the next write at offset 0. One thread; copyable.
// The hashing is libsodium's.
class PackageDigest {
 public:
  static constexpr size_t kSize = 64;

  PackageDigest();

  // `size` bytes just written at `offset` of `file`, which must be open for
  // reading; the file's position is as it was afterwards.
  void Take(HANDLE file, std::uint64_t offset, const unsigned char* bytes, std::uint32_t size);
  // The hash of everything `file` holds, read from its start in chunks, in
  // `hash`; the failed read with the platform's code otherwise.
  static Status OfWholeFile(HANDLE file, unsigned char (&hash)[kSize]);
  // Copies the hash to `hash` when it covers exactly the first `size` bytes
  // written; false otherwise.
  bool Get(std::uint64_t size, unsigned char (&hash)[kSize]) const;

 private:
  void Restart();
  bool ReadFrom(HANDLE file, std::uint64_t from, std::uint64_t to);
  void Update(const unsigned char* bytes, std::uint32_t size);

  // libsodium's crypto_generichash_blake2b_state, kept opaque here so that
  // its header (and its link settings) stay in the .cpp.
  alignas(64) unsigned char state_[384];
  std::uint64_t hashed_ = 0;
  bool usable_ = true;
};

}  // namespace Launcher
