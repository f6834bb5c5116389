// The maker's signature of the update package: the check alone
// (PackageSignature) and the update worker with a key, against the loopback
// package server, with real installations on disk. The keys and signatures
// are minisign's (tests/update/make-signed-packages.sh): the release
// update_2.1.7z is offered as version 2.1.0.0.
#include "launcher/fs/Installation.h"
#include "launcher/update/PackageDigest.h"
#include "launcher/update/PackageSignature.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/update/UpdateControl.h"
#include "launcher/update/UpdateSession.h"
#include "tests/net/NetTestPorts.h"
#include "tests/support/Files.h"
#include "tests/support/InstallTree.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixFiles.h"
#include "tests/update/SinkRecorder.h"

using namespace Launcher;

namespace {

constexpr wchar_t kOffered[] = L"2.1.0.0";

std::wstring SignedDirectory() {
  return TestBinDirectory() + L"signed-packages\\";
}

// The base64 line of the tests' public key.
std::string MakerKey() {
  std::string key = ReadBytes(SignedDirectory() + L"maker.pub");
  while (!key.empty() && (key.back() == '\n' || key.back() == '\r')) key.pop_back();
  return key;
}

// The text of OUT/NAME.sig as the reply carries it; "" for none.
std::wstring SignatureText(const char* name) {
  if (!*name) return std::wstring();
  const std::string bytes = ReadBytes(SignedDirectory() + Widen(name) + L".sig");
  EXPECT_FALSE(bytes.empty()) << name;
  return Widen(bytes);
}

struct Row {
  const char* what;
  const char* signature;  // NAME of signed-packages/NAME.sig, "" for none
  const char* package;    // below signed-packages/
  const wchar_t* offered;
  const char* line;  // what the check answers (Status::ToString), "OK" for a valid one
  // The installed version a delta is offered for; empty for a full package.
  const wchar_t* base = L"";
};

constexpr char kBadSignature[] = "PackageSignature: the signature fails over the package";
constexpr char kNotFourLines[] = "PackageSignature: the signature is not four lines";
// The other key's id is the one the test's own minisign made: only its form is known.
constexpr char kOtherKey[] = "PackageSignature: signed with key ";

const Row kRows[] = {
    {"valid signature", "good", "update_2.1.7z", kOffered, "OK"},
    {"valid, lines ended by CR LF", "good-crlf", "update_2.1.7z", kOffered, "OK"},
    {"valid legacy Ed signature", "legacy", "update_2.1.7z", kOffered, "OK"},
    {"valid, 9 MiB package read in chunks", "large", "large/update_2.1.7z", kOffered, "OK"},
    {"no signature", "", "update_2.1.7z", kOffered, "PackageSignature: no signature offered"},
    {"signature by another key", "other-key", "update_2.1.7z", kOffered, kOtherKey},
    {"package with one byte changed", "good", "tampered/update_2.1.7z", kOffered, kBadSignature},
    {"signature of another package", "other-package", "update_2.1.7z", kOffered, kBadSignature},
    {"trusted comment names another version", "other-version", "update_2.1.7z", kOffered,
     "PackageSignature: trusted comment is \"version 2.0.0.0\", expected \"version 2.1.0.0\""},
    {"trusted comment edited to the offered version", "edited-comment", "update_2.1.7z", kOffered,
     "PackageSignature: the global signature fails over the trusted comment"},
    {"trusted comment only begins with the version", "longer-comment", "update_2.1.7z", kOffered,
     "PackageSignature: trusted comment is \"version 2.1.0.0 beta\", expected \"version 2.1.0.0\""},
    {"another version offered", "good", "update_2.1.7z", L"2.1.0.1",
     "PackageSignature: trusted comment is \"version 2.1.0.0\", expected \"version 2.1.0.1\""},
    {"no version offered", "good", "update_2.1.7z", L"",
     "PackageSignature: trusted comment is \"version 2.1.0.0\", expected \"version \""},
    {"legacy signature of a package above the bound", "large-legacy", "large/update_2.1.7z", kOffered,
     "PackageSignature: a legacy Ed signature of a package above 8 MiB"},
    {"garbage", "garbage", "update_2.1.7z", kOffered, kNotFourLines},
    {"truncated signature", "truncated", "update_2.1.7z", kOffered, kNotFourLines},
    {"trusted comment line without its prefix", "no-comment-prefix", "update_2.1.7z", kOffered,
     "PackageSignature: the signature's comment lines are missing"},
    {"signature line not base64", "not-base64", "update_2.1.7z", kOffered,
     "PackageSignature: the signature is not minisign's base64"},
    {"oversized signature text", "oversized", "update_2.1.7z", kOffered,
     "PackageSignature: the signature text is longer than 4096 characters"},
    {"unknown algorithm", "unknown-algorithm", "update_2.1.7z", kOffered,
     "PackageSignature: the signature's algorithm is neither ED nor Ed"},
    // A delta's signature names its base: applied to no other installation,
    // and never taken for a full package's, nor the other way round.
    {"delta for the installed version", "delta", "update_2.1.7z", kOffered, "OK", L"2.0.0.0"},
    {"delta for another installed version", "delta", "update_2.1.7z", kOffered,
     "PackageSignature: trusted comment is \"version 2.1.0.0 from 2.0.0.0\", expected \"version 2.1.0.0 from "
     "1.9.0.0\"",
     L"1.9.0.0"},
    {"delta offered as the full package", "delta", "update_2.1.7z", kOffered,
     "PackageSignature: trusted comment is \"version 2.1.0.0 from 2.0.0.0\", expected \"version 2.1.0.0\""},
    {"full package offered as a delta", "good", "update_2.1.7z", kOffered,
     "PackageSignature: trusted comment is \"version 2.1.0.0\", expected \"version 2.1.0.0 from 2.0.0.0\"", L"2.0.0.0"},
};

std::wstring PackagePath(const char* package) {
  std::wstring path = SignedDirectory() + Widen(package);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// What a check of `package` with `signature` answers, held as the worker
// holds the package.
std::string CheckLine(const PackageSignature& signature, const std::wstring& package) {
  UniqueHandle held(::CreateFileW(package.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(held) << Narrow(package);
  return signature.Check(held.Get()).ToString();
}

// A row's line, or for the other key's row its start: the key id is the one
// the test's own minisign made.
bool Answers(const std::string& line, const Row& row) {
  if (row.line != kOtherKey) return line == row.line;
  // "signed with key " + 16 hex digits + ", expected key " + 16 hex digits
  const size_t prefix = std::string(kOtherKey).size();
  return line.rfind(kOtherKey, 0) == 0 && line.size() == prefix + 47 &&
         line.compare(prefix + 16, 15, ", expected key ") == 0;
}

TEST(PackageSignature, EachRowNamesTheCheckThatRefused) {
  const std::string key = MakerKey();
  ASSERT_EQ(key.size(), 56u);
  for (const Row& row : kRows) {
    const PackageSignature signature(key, SignatureText(row.signature), row.offered, row.base);
    const std::string line = CheckLine(signature, PackagePath(row.package));
    EXPECT_TRUE(Answers(line, row)) << row.what << ": " << line;
  }
}

TEST(PackageSignature, WithoutAValidKeyEveryPackageFails) {
  for (const std::string& broken :
       {std::string(), std::string("RWQ="), MakerKey().substr(0, 55) + "!", std::string("not base64")}) {
    const PackageSignature signature(broken, SignatureText("good"), kOffered);
    EXPECT_EQ(CheckLine(signature, PackagePath("update_2.1.7z")),
              "PackageSignature: the built-in key is no minisign Ed25519 public key")
        << broken;
  }
}

// The worker holds the package from the check to the end of the
// installation: nobody may write, rename or delete it meanwhile, a package
// someone is still writing is not taken, and a handle the check cannot read
// through fails the check with the read's cause.
TEST(PackageSignature, TheCheckedPackageIsHeldAsTheSessionHoldsIt) {
  TempDir dir;
  const std::wstring package = dir / L"update_2.1.7z";
  ASSERT_TRUE(CopyInto(PackagePath("update_2.1.7z"), package));
  const Installation installation(dir.Path());
  const PackageSignature signature(MakerKey(), SignatureText("good"), kOffered);
  {
    UniqueHandle writer(::CreateFileW(package.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    UniqueHandle held;
    EXPECT_FALSE(HoldPackage(installation, L"update_2.1.7z", held).ok());
    EXPECT_STREQ(signature.Check(writer.Get()).call(), "ReadFile");
  }
  UniqueHandle held;
  ASSERT_TRUE(HoldPackage(installation, L"update_2.1.7z", held).ok());
  EXPECT_TRUE(signature.Check(held.Get()).ok());
  UniqueHandle writer(::CreateFileW(package.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(writer) << "opened for writing while held";
  EXPECT_FALSE(::MoveFileExW(package.c_str(), (dir / L"moved.7z").c_str(), 0));
  EXPECT_FALSE(::DeleteFileW(package.c_str()));
  // The extraction's own read of the package is not in the way.
  UniqueHandle reader(::CreateFileW(package.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(reader);
  // Another account's package is not held at all.
  held.Reset();
  ASSERT_TRUE(SetUnixMode(package, "666"));
  EXPECT_STREQ(HoldPackage(installation, L"update_2.1.7z", held).call(), "IsTrustedObject");
}

const Tree kInstalled = {
    {L"top.txt", "old top"},           {L"bin", kDirectory},
    {L"bin\\core.dll", "old core"},    {L"bin\\settings.ini", "user settings"},
    {L"VxSpeedUp.exe", "old product"},
};

std::wstring ServedUrl(const char* package) {
  return Widen(HttpUrl(std::string("/files/signed-packages/") + package));
}

// One update session offered `package` with the signature `signature` as
// version `offered`, checked with `key` (empty: none asked for).
std::vector<UINT> UpdateWith(const std::wstring& directory, const char* package, const std::string& key,
                             const char* signature, const wchar_t* offered) {
  SinkRecorder recorder;
  const Installation installation(directory);
  UpdateSession::Options options;
  options.publicKey = key;
  UpdateSession(installation, UpdateOffer{offered, OfferedPackage{ServedUrl(package), SignatureText(signature)}},
                recorder, options)
      .Run();
  return recorder.Finals();
}

TEST(SignedUpdate, OnlyAValidSignatureInstallsAndEveryOtherRowLeavesTheInstallationAsItWas) {
  const std::string key = MakerKey();
  for (const Row& row : kRows) {
    // The session offers full packages; a delta's rows are the check's.
    if (*row.base) continue;
    SCOPED_TRACE(row.what);
    TempDir dir;
    Lay(dir.Path(), kInstalled);
    const std::vector<UINT> finals = UpdateWith(dir.Path(), row.package, key, row.signature, row.offered);
    if (std::string(row.line) == "OK") {
      EXPECT_EQ(finals, std::vector<UINT>{WM_UPDATE_INSTALL_DONE});
      const Tree after = Read(dir.Path());
      EXPECT_EQ(after.at(L"top.txt"), "new top");
      EXPECT_EQ(after.at(L"bin\\settings.ini"), "user settings");
      // The package is deleted once installed, though it was held open.
      EXPECT_EQ(after.count(L"update_2.1.7z"), 0u);
      EXPECT_EQ(after.count(L"_top.txt"), 0u);
      EXPECT_EQ(after.count(L"update.journal"), 0u);
    } else {
      EXPECT_EQ(finals, std::vector<UINT>{WM_UPDATE_DOWNLOAD_FAILED});
      // Byte for byte as it was: nothing set aside or written, no record, and
      // the refused package deleted.
      const Tree after = Read(dir.Path());
      EXPECT_TRUE(after == kInstalled) << Describe(after);
    }
  }
}

// No build installs an unsigned package: without a signature, or without a
// valid key, every offer is a failed download that leaves the installation
// as it was.
TEST(SignedUpdate, WithoutASignatureOrAValidKeyNothingInstalls) {
  const struct {
    std::string key;
    const char* signature;
  } rows[] = {{MakerKey(), ""}, {"", "good"}, {"", ""}, {"RWQ=", "good"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.key + " / " + row.signature);
    TempDir dir;
    Lay(dir.Path(), kInstalled);
    EXPECT_EQ(UpdateWith(dir.Path(), "update_2.1.7z", row.key, row.signature, kOffered),
              std::vector<UINT>{WM_UPDATE_DOWNLOAD_FAILED});
    EXPECT_TRUE(Read(dir.Path()) == kInstalled) << Describe(Read(dir.Path()));
  }
}

}  // namespace

// The hash the download takes as it writes equals the hash of the file read
// whole, however the writes come, and leaves the position the download
// writes at where it was; it serves only for exactly the bytes it covers.
TEST(PackageDigest, TakenAsWrittenEqualsTheFileReadWhole) {
  std::string body(300000, '\0');
  unsigned state = 7;
  for (char& c : body) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
  const std::uint32_t total = static_cast<std::uint32_t>(body.size());
  const struct {
    const char* what;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> writes;  // offset, size
  } cases[] = {
      {"in order", {{0, 100000}, {100000, 150000}, {250000, 50000}}},
      {"continuing bytes an earlier start left", {{120000, 80000}, {200000, 100000}}},
      {"starting over at 0", {{0, 90000}, {90000, 10000}, {0, 200000}, {200000, 100000}}},
      {"starting over further on", {{0, 250000}, {100000, 200000}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"p.7z", body));
    UniqueHandle file(
        ::CreateFileW((dir / L"p.7z").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    PackageDigest digest;
    for (const auto& [offset, size] : c.writes) {
      LARGE_INTEGER at = {};
      at.QuadPart = offset;
      DWORD written = 0;
      ASSERT_TRUE(::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN));
      ASSERT_TRUE(::WriteFile(file.Get(), body.data() + offset, size, &written, nullptr));
      digest.Take(file.Get(), offset, reinterpret_cast<const unsigned char*>(body.data()) + offset, size);
      LARGE_INTEGER here = {};
      ASSERT_TRUE(::SetFilePointerEx(file.Get(), LARGE_INTEGER{}, &here, FILE_CURRENT));
      EXPECT_EQ(here.QuadPart, static_cast<LONGLONG>(offset) + size);
    }
    unsigned char taken[PackageDigest::kSize] = {};
    unsigned char read[PackageDigest::kSize] = {};
    ASSERT_TRUE(digest.Get(total, taken));
    ASSERT_TRUE(PackageDigest::OfWholeFile(file.Get(), read).ok());
    EXPECT_EQ(std::memcmp(taken, read, sizeof taken), 0);
    EXPECT_FALSE(digest.Get(total - 1, taken));
    EXPECT_FALSE(digest.Get(total + 1, taken));
  }
}
