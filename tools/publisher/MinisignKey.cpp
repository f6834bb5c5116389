#include "tools/publisher/MinisignKey.h"

#include <windows.h>

#define SODIUM_STATIC 1
#include <sodium/core.h>
#include <sodium/crypto_sign_ed25519.h>
#include <sodium/utils.h>

#include <algorithm>
#include <vector>

#include "base/Utf8.h"
#include "launcher/update/PackageDigest.h"
#include "tools/publisher/ReleaseFolder.h"

namespace Publisher {

namespace {

constexpr size_t kKeyFileSize = 158;
constexpr size_t kKeyIdOffset = 54;
constexpr size_t kSecretOffset = 62;

std::string Base64(const unsigned char* data, size_t size) {
  std::string text(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), data, size, sodium_base64_VARIANT_ORIGINAL);
  text.resize(text.size() - 1);  // the terminating zero
  return text;
}

}  // namespace

MinisignKey::~MinisignKey() {
  sodium_memzero(secret_.data(), secret_.size());
}

bool MinisignKey::Load(const std::wstring& path, std::string& error) {
  loaded_ = false;
  const std::string name = Utf8FromWide(path);
  if (sodium_init() < 0) {
    error = "libsodium cannot start; rebuild the publisher";
    return false;
  }
  std::string text;
  if (!ReadFileBytes(path, 1 << 16, text, error)) {
    error += "; cannot read the secret key: give the file minisign -G wrote (-s)";
    return false;
  }
  // The second line holds the key.
  const size_t first = text.find('\n');
  std::string line = first == std::string::npos ? std::string() : text.substr(first + 1);
  line = line.substr(0, line.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::vector<unsigned char> key(kKeyFileSize);
  size_t decoded = 0;
  const char* end = nullptr;
  const bool base64 = text.compare(0, 19, "untrusted comment: ") == 0 &&
                      sodium_base642bin(key.data(), key.size(), line.data(), line.size(), nullptr, &decoded, &end,
                                        sodium_base64_VARIANT_ORIGINAL) == 0 &&
                      decoded == kKeyFileSize && end == line.data() + line.size();
  if (!base64 || key[0] != 'E' || key[1] != 'd' || key[4] != 'B' || key[5] != '2') {
    error = name + ": is no minisign secret key; give the file minisign -G wrote (-s), not the .pub";
    return false;
  }
  if (key[2] != 0 || key[3] != 0) {
    error = name + ": the key has a password; make a copy without one for this machine (minisign -C -W -s COPY)";
    sodium_memzero(key.data(), key.size());
    return false;
  }
  std::copy(key.begin() + kKeyIdOffset, key.begin() + kSecretOffset, keyId_.begin());
  std::copy(key.begin() + kSecretOffset, key.begin() + kSecretOffset + secret_.size(), secret_.begin());
  sodium_memzero(key.data(), key.size());
  // The public half must be the one the seed makes, or every signature
  // would fail at the launcher.
  unsigned char derived[crypto_sign_ed25519_PUBLICKEYBYTES];
  unsigned char scratch[crypto_sign_ed25519_SECRETKEYBYTES];
  crypto_sign_ed25519_seed_keypair(derived, scratch, secret_.data());
  sodium_memzero(scratch, sizeof scratch);
  if (sodium_memcmp(derived, secret_.data() + 32, sizeof derived) != 0) {
    error = name + ": the key is damaged (its public half does not match); restore it from the maker's copy";
    return false;
  }
  loaded_ = true;
  return true;
}

std::string MinisignKey::PublicKeyLine() const {
  unsigned char key[2 + 8 + 32] = {'E', 'd'};
  std::copy(keyId_.begin(), keyId_.end(), key + 2);
  std::copy(secret_.begin() + 32, secret_.end(), key + 10);
  return Base64(key, sizeof key);
}

bool MinisignKey::Sign(HANDLE file, const std::string& trustedComment, std::string& signature,
                       std::string& error) const {
  if (!loaded_) {
    error = "no secret key loaded";
    return false;
  }
  // The launcher's own hash of the package, the one its check compares.
  unsigned char hash[Launcher::PackageDigest::kSize];
  if (Launcher::Status read = Launcher::PackageDigest::OfWholeFile(file, hash); !read.ok()) {
    error = read.ToString();
    return false;
  }

  unsigned char signed_[2 + 8 + crypto_sign_ed25519_BYTES] = {'E', 'D'};
  std::copy(keyId_.begin(), keyId_.end(), signed_ + 2);
  crypto_sign_ed25519_detached(signed_ + 10, nullptr, hash, sizeof hash, secret_.data());
  std::vector<unsigned char> global(signed_ + 10, signed_ + sizeof signed_);
  global.insert(global.end(), trustedComment.begin(), trustedComment.end());
  unsigned char globalSignature[crypto_sign_ed25519_BYTES];
  crypto_sign_ed25519_detached(globalSignature, nullptr, global.data(), global.size(), secret_.data());

  signature = "untrusted comment: signature from minisign secret key\n" + Base64(signed_, sizeof signed_) +
              "\ntrusted comment: " + trustedComment + "\n" + Base64(globalSignature, sizeof globalSignature) + "\n";
  return true;
}

}  // namespace Publisher
