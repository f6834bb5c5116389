#pragma once

#include <windows.h>

#include <array>
#include <string>

namespace Publisher {

// The maker's minisign secret key, read from the file `minisign -G -W`
// writes (no password): the untrusted comment line, then the base64 of
// "Ed", the key derivation "\0\0" (none), "B2", a 32-byte salt and two 8-byte
// limits that an unencrypted key does not use, the 8-byte key id and the
// 64-byte Ed25519 secret key (seed and public key), and a 32-byte checksum.
// Signs files the way `minisign -S` does by default and the launcher checks
// (launcher/update/PackageSignature.h): the prehashed "ED" form, Ed25519
// over the file's BLAKE2b-512, and the global signature over that signature
// followed by the trusted comment. Ed25519 is deterministic: the same file
// and comment give the same four lines. Not copyable; wipes the key when it
// goes.
class MinisignKey {
 public:
  MinisignKey() = default;
  ~MinisignKey();
  MinisignKey(const MinisignKey&) = delete;
  MinisignKey& operator=(const MinisignKey&) = delete;

  // Reads the key file at `path`. Fails, naming the file and what to do,
  // when it is missing, not minisign's format, protected by a password (the
  // key is encrypted: `minisign -C -W` removes the password on a copy), or
  // its secret and public halves do not belong together.
  bool Load(const std::wstring& path, std::string& error);

  // The base64 line of the matching minisign.pub.
  std::string PublicKeyLine() const;

  // The four lines of minisign's signature of the open file `file` (read
  // from its start), each ending in "\n", with the trusted comment
  // `trustedComment` (one line, UTF-8). False with `error` (the failed read,
  // to be prefixed with the file's name) when it cannot be read.
  bool Sign(HANDLE file, const std::string& trustedComment, std::string& signature, std::string& error) const;

 private:
  bool loaded_ = false;
  std::array<unsigned char, 8> keyId_ = {};
  std::array<unsigned char, 64> secret_ = {};
};

}  // namespace Publisher
