#include "launcher/update/PackageSignature.h"

// libsodium is linked statically (tools/deps/libsodium.sh); without this its
// declarations would ask for DLL imports. sodium_init is not called: it picks
// faster variants by processor (none is built) and seeds random numbers
// (none are used), and would link every primitive's selection; the
// verification and BLAKE2b run on their portable code without it.
#define SODIUM_STATIC 1
#include <sodium/crypto_sign_ed25519.h>
#include <sodium/utils.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/WideToUtf8.h"

namespace Launcher {

namespace {

constexpr char kBuiltInKey[] = LAUNCHER_UPDATE_PUBLIC_KEY;

// minisign's layouts: a public key is "Ed", the key id and the Ed25519 key;
// a signature "Ed" or "ED", the key id and the Ed25519 signature.
constexpr size_t kKeyIdSize = 8;
constexpr size_t kPublicKeySize = 2 + kKeyIdSize + crypto_sign_ed25519_PUBLICKEYBYTES;
constexpr size_t kSignatureSize = 2 + kKeyIdSize + crypto_sign_ed25519_BYTES;
constexpr size_t kPrehashSize = PackageDigest::kSize;  // 64, as minisign hashes

constexpr wchar_t kUntrustedPrefix[] = L"untrusted comment: ";
constexpr wchar_t kTrustedPrefix[] = L"trusted comment: ";
constexpr wchar_t kVersionPrefix[] = L"version ";

// Decodes `text` (standard base64 with padding, nothing else on the line)
// into exactly `size` bytes.
bool DecodeBase64(const std::string& text, unsigned char* out, size_t size) {
  size_t decoded = 0;
  const char* end = nullptr;
  if (sodium_base642bin(out, size, text.data(), text.size(), nullptr, &decoded, &end, sodium_base64_VARIANT_ORIGINAL) !=
      0) {
    return false;
  }
  return decoded == size && end == text.data() + text.size();
}

// `line` as ASCII bytes; false when it holds any other character.
bool Ascii(const std::wstring& line, std::string& out) {
  out.clear();
  for (const wchar_t c : line) {
    if (c == 0 || c > 0x7F) return false;
    out.push_back(static_cast<char>(c));
  }
  return true;
}

// The four lines of a minisign signature. A line may end in CR LF; the text
// may end with one line end, but holds nothing after the fourth line.
bool SplitLines(const std::wstring& text, std::wstring (&lines)[4]) {
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    if (start >= text.size()) return false;
    size_t end = text.find(L'\n', start);
    const size_t next = end == std::wstring::npos ? text.size() : end + 1;
    if (end == std::wstring::npos) end = text.size();
    if (end > start && text[end - 1] == L'\r') --end;
    lines[i] = text.substr(start, end - start);
    start = next;
  }
  return start == text.size();
}

bool StartsWith(const std::wstring& line, const wchar_t* prefix) {
  return line.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

// Reads the rest of `file` from its start in chunks, handing each to `take`.
template <typename Take>
bool ReadAll(HANDLE file, Take take) {
  LARGE_INTEGER zero = {};
  if (!::SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) return false;
  std::vector<unsigned char> chunk(PackageSignature::kChunkSize);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) return false;
    if (read == 0) return true;
    take(chunk.data(), read);
  }
}

Status Refuse(std::wstring reason) {
  return Status::Refused("PackageSignature", std::move(reason));
}

// A key id the way minisign prints it: its eight bytes as one little-endian
// number in upper-case hexadecimal.
std::wstring KeyIdText(const unsigned char* id) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  for (size_t i = kKeyIdSize; i-- > 0;) {
    text += kDigits[id[i] >> 4];
    text += kDigits[id[i] & 0xF];
  }
  return text;
}

}  // namespace

PackageSignature::PackageSignature(const std::string& publicKey, std::wstring signatureText,
                                   std::wstring offeredVersion, std::wstring baseVersion)
    : signatureText_(std::move(signatureText)),
      offeredVersion_(std::move(offeredVersion)),
      baseVersion_(std::move(baseVersion)) {
  unsigned char key[kPublicKeySize];
  if (publicKey.empty() || !DecodeBase64(publicKey, key, sizeof key)) return;
  if (key[0] != 'E' || key[1] != 'd') return;
  std::copy(key + 2, key + 2 + kKeyIdSize, keyId_.begin());
  std::copy(key + 2 + kKeyIdSize, key + kPublicKeySize, publicKey_.begin());
  keyValid_ = true;
}

std::string PackageSignature::BuiltInKey() {
  return kBuiltInKey;
}

namespace {

// One signature's decoded parts.
struct Decoded {
  bool prehashed = false;
  unsigned char signature[kSignatureSize] = {};
  unsigned char global[crypto_sign_ed25519_BYTES] = {};
  std::wstring trusted;  // the trusted comment as offered
  std::string comment;   // the same as the bytes the global signature covers
  const unsigned char* KeyId() const { return signature + 2; }
  const unsigned char* PackageSignature() const { return signature + 2 + kKeyIdSize; }
};

Status Decode(const std::wstring& text, Decoded& decoded) {
  if (text.empty()) return Refuse(L"no signature offered");
  if (text.size() > PackageSignature::kMaxTextSize) {
    return Refuse(L"the signature text is longer than 4096 characters");
  }
  std::wstring lines[4];
  if (!SplitLines(text, lines)) return Refuse(L"the signature is not four lines");
  if (!StartsWith(lines[0], kUntrustedPrefix) || !StartsWith(lines[2], kTrustedPrefix)) {
    return Refuse(L"the signature's comment lines are missing");
  }
  decoded.trusted = lines[2].substr(std::char_traits<wchar_t>::length(kTrustedPrefix));
  std::string signatureLine;
  std::string globalLine;
  if (!Ascii(lines[1], signatureLine) || !DecodeBase64(signatureLine, decoded.signature, sizeof decoded.signature) ||
      !Ascii(lines[3], globalLine) || !DecodeBase64(globalLine, decoded.global, sizeof decoded.global) ||
      !WideToUtf8(decoded.trusted, decoded.comment)) {
    return Refuse(L"the signature is not minisign's base64");
  }
  decoded.prehashed = decoded.signature[0] == 'E' && decoded.signature[1] == 'D';
  const bool legacy = decoded.signature[0] == 'E' && decoded.signature[1] == 'd';
  if (!decoded.prehashed && !legacy) return Refuse(L"the signature's algorithm is neither ED nor Ed");
  return Status::Ok();
}

// The whole package in memory, as the legacy form signs it; refused above
// the bound, also when it grows while being read.
Status ReadWhole(HANDLE package, std::vector<unsigned char>& whole) {
  const wchar_t* tooLargeReason = L"a legacy Ed signature of a package above 8 MiB";
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(package, &size)) return Status::FromLastError("GetFileSizeEx", L"the package");
  if (static_cast<uint64_t>(size.QuadPart) > PackageSignature::kMaxLegacyPackageSize) return Refuse(tooLargeReason);
  whole.reserve(static_cast<size_t>(size.QuadPart));
  bool tooLarge = false;
  if (!ReadAll(package, [&](const unsigned char* data, DWORD read) {
        if (whole.size() + read > PackageSignature::kMaxLegacyPackageSize) {
          tooLarge = true;
          return;
        }
        whole.insert(whole.end(), data, data + read);
      })) {
    return Status::FromLastError("ReadFile", L"the package");
  }
  return tooLarge ? Refuse(tooLargeReason) : Status::Ok();
}

}  // namespace

Status PackageSignature::Check(HANDLE package, const PackageDigest* digest) const {
  if (!keyValid_) return Refuse(L"the built-in key is no minisign Ed25519 public key");
  Decoded decoded;
  if (Status read = Decode(signatureText_, decoded); !read.ok()) return read;
  if (!std::equal(keyId_.begin(), keyId_.end(), decoded.KeyId())) {
    return Refuse(L"signed with key " + KeyIdText(decoded.KeyId()) + L", expected key " + KeyIdText(keyId_.data()));
  }
  // The cheap checks first: a replayed or foreign signature fails before the
  // package is read.
  std::vector<unsigned char> globalMessage(decoded.PackageSignature(),
                                           decoded.PackageSignature() + crypto_sign_ed25519_BYTES);
  globalMessage.insert(globalMessage.end(), decoded.comment.begin(), decoded.comment.end());
  if (crypto_sign_ed25519_verify_detached(decoded.global, globalMessage.data(), globalMessage.size(),
                                          publicKey_.data()) != 0) {
    return Refuse(L"the global signature fails over the trusted comment");
  }
  const std::wstring expected =
      std::wstring(kVersionPrefix) + offeredVersion_ + (baseVersion_.empty() ? L"" : L" from " + baseVersion_);
  if (offeredVersion_.empty() || decoded.trusted != expected) {
    return Refuse(L"trusted comment is \"" + decoded.trusted + L"\", expected \"" + expected + L"\"");
  }
  // The legacy form signs the package itself: the whole of it must be in
  // memory, hence the bound.
  unsigned char hash[kPrehashSize];
  std::vector<unsigned char> whole;
  if (decoded.prehashed) {
    // The hash the download took as the bytes arrived serves when it covers
    // the whole file; otherwise the file is read once more.
    LARGE_INTEGER size = {};
    if (!digest || !::GetFileSizeEx(package, &size) || !digest->Get(static_cast<uint64_t>(size.QuadPart), hash)) {
      if (Status read = PackageDigest::OfWholeFile(package, hash); !read.ok()) return read;
    }
  } else if (Status read = ReadWhole(package, whole); !read.ok()) {
    return read;
  }
  const unsigned char* message = decoded.prehashed ? hash : whole.data();
  const size_t size = decoded.prehashed ? sizeof hash : whole.size();
  if (crypto_sign_ed25519_verify_detached(decoded.PackageSignature(), message, size, publicKey_.data()) != 0) {
    return Refuse(L"the signature fails over the package");
  }
  return Status::Ok();
}

}  // namespace Launcher
