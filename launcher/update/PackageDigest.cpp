#include "launcher/update/PackageDigest.h"

// Linked statically; see PackageSignature.cpp.
#define SODIUM_STATIC 1
#include <sodium/crypto_generichash_blake2b.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace Launcher {

namespace {

static_assert(sizeof(crypto_generichash_blake2b_state) <= 384, "the state's room is too small");
static_assert(alignof(crypto_generichash_blake2b_state) <= 64, "the state's room is aligned too weakly");

constexpr DWORD kChunk = 256u << 10;

crypto_generichash_blake2b_state* State(unsigned char* room) {
  return reinterpret_cast<crypto_generichash_blake2b_state*>(room);
}

// Reads `size` bytes at `offset` without moving the position the download
// writes at.
bool ReadAt(HANDLE file, std::uint64_t offset, unsigned char* into, DWORD size) {
  LARGE_INTEGER zero = {};
  LARGE_INTEGER here = {};
  if (!::SetFilePointerEx(file, zero, &here, FILE_CURRENT)) return false;
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD read = 0;
  const bool ok = ::ReadFile(file, into, size, &read, &at) && read == size;
  return ::SetFilePointerEx(file, here, nullptr, FILE_BEGIN) && ok;
}

}  // namespace

PackageDigest::PackageDigest() {
  Restart();
}

void PackageDigest::Restart() {
  crypto_generichash_blake2b_init(State(state_), nullptr, 0, kSize);
  hashed_ = 0;
  usable_ = true;
}

void PackageDigest::Update(const unsigned char* bytes, std::uint32_t size) {
  crypto_generichash_blake2b_update(State(state_), bytes, size);
  hashed_ += size;
}

bool PackageDigest::ReadFrom(HANDLE file, std::uint64_t from, std::uint64_t to) {
  std::vector<unsigned char> chunk(kChunk);
  while (from < to) {
    const DWORD size = static_cast<DWORD>(std::min<std::uint64_t>(kChunk, to - from));
    if (!ReadAt(file, from, chunk.data(), size)) return false;
    Update(chunk.data(), size);
    from += size;
  }
  return true;
}

void PackageDigest::Take(HANDLE file, std::uint64_t offset, const unsigned char* bytes, std::uint32_t size) {
  if (offset < hashed_ || (!usable_ && offset == 0)) Restart();
  if (!usable_) return;
  if (offset > hashed_ && !ReadFrom(file, hashed_, offset)) {
    usable_ = false;
    return;
  }
  Update(bytes, size);
}

Status PackageDigest::OfWholeFile(HANDLE file, unsigned char (&hash)[kSize]) {
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file, &size)) return Status::FromLastError("GetFileSizeEx", L"the package");
  PackageDigest digest;
  if (!digest.ReadFrom(file, 0, static_cast<std::uint64_t>(size.QuadPart))) {
    return Status::FromLastError("ReadFile", L"the package");
  }
  digest.Get(static_cast<std::uint64_t>(size.QuadPart), hash);
  return Status::Ok();
}

bool PackageDigest::Get(std::uint64_t size, unsigned char (&hash)[kSize]) const {
  if (!usable_ || hashed_ != size) return false;
  // Finishing consumes the state: a copy is finished, so that the digest
  // stays usable.
  alignas(64) unsigned char copy[sizeof state_];
  std::memcpy(copy, state_, sizeof copy);
  return crypto_generichash_blake2b_final(State(copy), hash, kSize) == 0;
}

}  // namespace Launcher
