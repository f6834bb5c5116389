#include <windows.h>

#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/app/UpdateDriver.h"
#include "launcher/extract/SevenZipExtractor.h"
#include "launcher/fs/Installation.h"
#include "launcher/service/VersionService.h"
#include "launcher/update/PackageSignature.h"
#include "launcher/update/UpdateControl.h"
#include "launcher/update/UpdateSession.h"
#include "tests/net/NetTestPorts.h"
#include "tests/support/Files.h"
#include "tests/support/InstallTree.h"
#include "tests/support/TempDir.h"
#include "tests/update/SinkRecorder.h"
#include "tools/publisher/Publisher.h"

namespace {

const std::wstring kKeyDir = Widen(TEST_UPDATE_KEY_DIR);

// A file whose bytes an LZMA match finder cannot shorten much, with one byte
// changed in `flip` (none when out of range).
std::string Noise(size_t size, size_t flip) {
  std::string bytes(size, '\0');
  unsigned state = 12345;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(state >> 16);
  }
  if (flip < size) bytes[flip] ^= 0x5A;
  return bytes;
}

const Tree kV1 = {{L"a.txt", "a1"},
                  {L"keep.bin", "same in every version"},
                  {L"sub", kDirectory},
                  {L"sub\\x.txt", "s1"},
                  {L"gone", kDirectory},
                  {L"gone\\deep", kDirectory},
                  {L"gone\\deep\\old.dat", "old"},
                  {L"empty", kDirectory},
                  {L"big.bin", Noise(70000, 1)}};
const Tree kV2 = {{L"a.txt", "a2"},
                  {L"keep.bin", "same in every version"},
                  {L"sub", kDirectory},
                  {L"sub\\x.txt", "s1"},
                  {L"sub\\y.txt", "y2"},
                  {L"old.dll", "removed in 3"},
                  {L"gone", kDirectory},
                  {L"gone\\deep", kDirectory},
                  {L"gone\\deep\\old.dat", "old"},
                  {L"big.bin", Noise(70000, 2)},
                  {L"\x4E2D\x6587.txt", "unchanged, named beyond ASCII"}};
// Changed (a.txt, big.bin by one byte), new in a new folder (new\n.txt),
// a new empty folder, a new empty file, and removed: a file, a folder with a
// file, folders nested in a removed folder, an empty folder.
const Tree kV3 = {{L"a.txt", "a3"},
                  {L"keep.bin", "same in every version"},
                  {L"new", kDirectory},
                  {L"new\\n.txt", "n"},
                  {L"made", kDirectory},
                  {L"zero.dat", ""},
                  {L"big.bin", Noise(70000, 3)},
                  {L"\x4E2D\x6587.txt", "unchanged, named beyond ASCII"}};

struct PackageCase {
  const char* what;
  const wchar_t* file;
  const wchar_t* from;                // empty for the full package
  const Tree* base;                   // null: an empty folder
  std::vector<std::wstring> items;    // every item, sorted
  std::vector<std::wstring> markers;  // the deletion markers, sorted
};

const std::vector<PackageCase> kPackages = {
    {"full package over an empty folder",
     L"Tarvo_3.0.0.0.7z",
     L"",
     nullptr,
     {L"a.txt", L"big.bin", L"keep.bin", L"made", L"new", L"new\\n.txt", L"zero.dat", L"\x4E2D\x6587.txt"},
     {}},
    {"delta from 1 over a copy of 1",
     L"Tarvo_1.0.0.0_to_3.0.0.0.7z",
     L"1.0.0.0",
     &kV1,
     {L"a.txt", L"big.bin", L"empty", L"gone", L"gone\\deep", L"gone\\deep\\old.dat", L"made", L"new", L"new\\n.txt",
      L"sub", L"sub\\x.txt", L"zero.dat", L"\x4E2D\x6587.txt"},
     {L"empty", L"gone", L"gone\\deep", L"gone\\deep\\old.dat", L"sub", L"sub\\x.txt"}},
    {"delta from 2 over a copy of 2",
     L"Tarvo_2.0.0.0_to_3.0.0.0.7z",
     L"2.0.0.0",
     &kV2,
     {L"a.txt", L"big.bin", L"gone", L"gone\\deep", L"gone\\deep\\old.dat", L"made", L"new", L"new\\n.txt", L"old.dll",
      L"sub", L"sub\\x.txt", L"sub\\y.txt", L"zero.dat"},
     {L"gone", L"gone\\deep", L"gone\\deep\\old.dat", L"old.dll", L"sub", L"sub\\x.txt", L"sub\\y.txt"}},
};

const std::vector<std::wstring> kMirrors = {L"https://cdn.example/tarvo/", L"https://mirror.example/t",
                                            L"http://third.example/a/b"};

Publisher::PublishOptions Options(const TempDir& dir, const std::wstring& out) {
  Publisher::PublishOptions options;
  options.version = L"3.0.0.0";
  options.release = dir / L"v3";
  options.earlier = {{L"1.0.0.0", dir / L"v1"}, {L"2.0.0.0", dir / L"v2\\"}};
  options.key = kKeyDir + L"/maker.key";
  options.mirrors = kMirrors;
  options.notes = dir / L"notes.txt";
  options.out = out;
  return options;
}

class Published : public ::testing::TestWithParam<PackageCase> {
 public:
  static void SetUpTestSuite() {
    dir_ = new TempDir(L"publish");
    for (const wchar_t* release : {L"v1", L"v2", L"v3"}) MakeDirectories(*dir_ / release);
    Lay(*dir_ / L"v1\\", kV1);
    Lay(*dir_ / L"v2\\", kV2);
    Lay(*dir_ / L"v3\\", kV3);
    WriteBytes(*dir_ / L"notes.txt",
               "\xEF\xBB\xBF"
               "Faster start\r\n\xE6\x9B\xB4\xE5\xBF\xAB\r\n");
    for (const wchar_t* out : {L"out", L"again"}) {
      std::string error;
      published_ = Publisher::Publish(Options(*dir_, *dir_ / out), error) && published_;
      if (!error.empty()) error_ += error + "\n";
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::wstring Out(const std::wstring& name) { return *dir_ / (L"out\\" + name); }

  static TempDir* dir_;
  static bool published_;
  static std::string error_;
};
TempDir* Published::dir_ = nullptr;
bool Published::published_ = true;
std::string Published::error_;

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

Json::Value ReadData(const std::wstring& path) {
  Json::Value root;
  Json::Reader reader;
  EXPECT_TRUE(reader.parse(ReadBytes(path), root)) << Narrow(path);
  return root;
}

TEST_P(Published, GivesTheReleaseSignedAndNamedInData) {
  const PackageCase& c = GetParam();
  ASSERT_TRUE(published_) << error_;
  const std::wstring package = Out(c.file);
  ASSERT_TRUE(FileExists(package)) << c.what;

  // What the package holds.
  SevenZip::SevenZipExtractor extractor;
  extractor.SetPath(package);
  EXPECT_EQ(Sorted(extractor.ItemNames()), c.items) << c.what;
  std::vector<std::wstring> markers;
  const std::vector<std::wstring> items = extractor.ItemNames();
  const std::vector<bool> marked = extractor.ItemDeletionMarkers();
  ASSERT_EQ(marked.size(), items.size()) << c.what;
  for (size_t i = 0; i < items.size(); ++i) {
    if (marked[i]) markers.push_back(items[i]);
  }
  EXPECT_EQ(Sorted(markers), c.markers) << c.what;

  // Unpacked the launcher's way over a copy of the release it starts from:
  // the marked names go first, deepest first, then the extraction.
  TempDir target(L"apply");
  if (c.base) Lay(target.Path(), *c.base);
  {
    const Launcher::Installation installation(target.Path());
    std::vector<std::wstring> gone = c.markers;
    std::sort(gone.rbegin(), gone.rend());
    for (const std::wstring& name : gone) ASSERT_TRUE(installation.Remove(name).ok()) << Narrow(name);
    const Launcher::Status extracted = extractor.ExtractInto(installation);
    ASSERT_TRUE(extracted.ok()) << c.what << ": " << extracted.ToString();
  }
  const Tree result = Read(target.Path());
  EXPECT_EQ(result, kV3) << c.what << ": " << Describe(result);

  // The signature, beside the package and in data.json.
  const std::string signature = ReadBytes(package + L".minisig");
  {
    UniqueHandle file(
        ::CreateFileW(package.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    // Signed for 3.0.0.0 from its base: the launcher takes it as what it is,
    // and a delta's signature never passes for a full package's.
    const Launcher::Status asPublished =
        Launcher::PackageSignature(TEST_UPDATE_PUBLIC_KEY, Widen(signature), L"3.0.0.0", c.from).Check(file.Get());
    EXPECT_TRUE(asPublished.ok()) << c.what << ": " << asPublished.ToString();
    const Launcher::PackageSignature asFull(TEST_UPDATE_PUBLIC_KEY, Widen(signature), L"3.0.0.0");
    EXPECT_EQ(asFull.Check(file.Get()).ok(), std::wstring(c.from).empty()) << c.what;
  }

  const Json::Value data = ReadData(Out(L"data.json"));
  Json::Value entry = data;
  if (!std::wstring(c.from).empty()) {
    entry = Json::Value();
    for (const Json::Value& delta : data["Deltas"]) {
      if (delta["From"].asString() == Narrow(c.from)) entry = delta;
    }
  }
  ASSERT_TRUE(entry.isObject()) << c.what;
  EXPECT_EQ(entry["DownloadUrl"].asString(), "https://cdn.example/tarvo/" + Narrow(c.file)) << c.what;
  ASSERT_EQ(entry["Mirrors"].size(), 2u) << c.what;
  EXPECT_EQ(entry["Mirrors"][0].asString(), "https://mirror.example/t/" + Narrow(c.file)) << c.what;
  EXPECT_EQ(entry["Mirrors"][1].asString(), "http://third.example/a/b/" + Narrow(c.file)) << c.what;
  EXPECT_EQ(entry["Size"].asUInt64(), ReadBytes(package).size()) << c.what;
  EXPECT_EQ(entry["Signature"].asString() + "\n", signature) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, Published, ::testing::ValuesIn(kPackages));

TEST_F(Published, DataNamesTheVersionTheNotesAndTheDeltasInTheMakersOrder) {
  ASSERT_TRUE(published_) << error_;
  const Json::Value data = ReadData(Out(L"data.json"));
  EXPECT_EQ(data["LatestVersion"].asString(), "3.0.0.0");
  EXPECT_EQ(data["UpdateContent"].asString(), "Faster start\n\xE6\x9B\xB4\xE5\xBF\xAB");
  ASSERT_EQ(data["Deltas"].size(), 2u);
  EXPECT_EQ(data["Deltas"][0]["From"].asString(), "1.0.0.0");
  EXPECT_EQ(data["Deltas"][1]["From"].asString(), "2.0.0.0");
  // Exactly the files to upload: no work folder, nothing else.
  std::vector<std::wstring> names;
  for (const auto& [name, bytes] : Read(*dir_ / L"out\\")) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Tarvo_1.0.0.0_to_3.0.0.0.7z", L"Tarvo_1.0.0.0_to_3.0.0.0.7z.minisig",
                                              L"Tarvo_2.0.0.0_to_3.0.0.0.7z", L"Tarvo_2.0.0.0_to_3.0.0.0.7z.minisig",
                                              L"Tarvo_3.0.0.0.7z", L"Tarvo_3.0.0.0.7z.minisig", L"data.json"}));
}

TEST_F(Published, TwiceGivesTheSameBytes) {
  ASSERT_TRUE(published_) << error_;
  const Tree first = Read(*dir_ / L"out\\");
  const Tree second = Read(*dir_ / L"again\\");
  ASSERT_EQ(first.size(), 7u);
  EXPECT_TRUE(first == second) << Describe(first) << "\n" << Describe(second);
}

// Requests the publisher refuses before anything is published: the error
// names the file at fault, and the output folder holds nothing afterwards.
struct RefusalCase {
  const char* what;
  void (*change)(Publisher::PublishOptions&, const TempDir&);
  const char* says;
  const wchar_t* names;  // a file the message must name
};

const std::vector<RefusalCase> kRefusals = {
    {"the public key given as the secret one",
     [](Publisher::PublishOptions& o, const TempDir&) { o.key = kKeyDir + L"/maker.pub"; }, "is no minisign secret key",
     L"maker.pub"},
    {"no key file", [](Publisher::PublishOptions& o, const TempDir&) { o.key = kKeyDir + L"/none.key"; },
     "cannot read the secret key", L"none.key"},
    {"an earlier folder that is not there",
     [](Publisher::PublishOptions& o, const TempDir& d) { o.earlier[1].folder = d / L"v9"; }, "no such folder", L"v9"},
    {"a release folder that is not there",
     [](Publisher::PublishOptions& o, const TempDir& d) { o.release = d / L"v0"; }, "no such folder", L"v0"},
    {"a file that becomes a folder",
     [](Publisher::PublishOptions& o, const TempDir& d) { o.earlier[0].folder = d / L"kind"; },
     "a delta cannot turn one into the other", L"new"},
    {"an earlier version of three numbers",
     [](Publisher::PublishOptions& o, const TempDir&) { o.earlier[0].version = L"1.0.0"; }, "four numbers", L"1.0.0"},
    {"an earlier version named twice",
     [](Publisher::PublishOptions& o, const TempDir&) { o.earlier[1].version = L"1.0.0.0"; }, "once", L"1.0.0.0"},
    {"the new version as an earlier one",
     [](Publisher::PublishOptions& o, const TempDir&) { o.earlier[0].version = L"3.0.0.0"; }, "other than", L"3.0.0.0"},
    {"a version with a letter", [](Publisher::PublishOptions& o, const TempDir&) { o.version = L"3.0.0.a"; },
     "four numbers", L"3.0.0.a"},
    {"notes that are not UTF-8", [](Publisher::PublishOptions& o, const TempDir& d) { o.notes = d / L"latin1.txt"; },
     "not UTF-8", L"latin1.txt"},
    {"an output folder inside the release",
     [](Publisher::PublishOptions& o, const TempDir& d) { o.out = d / L"v3\\published"; }, "lies in the release folder",
     L"published"},
    {"an output folder that holds a file", [](Publisher::PublishOptions& o, const TempDir& d) { o.out = d / L"full"; },
     "must be empty", L"full"},
};

class Refused : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refused, NamesTheFileAndPublishesNothing) {
  const RefusalCase& c = GetParam();
  TempDir dir(L"refuse");
  Lay(dir.Path(), {{L"v1\\a.txt", "1"},
                   {L"v2\\a.txt", "2"},
                   {L"v3\\a.txt", "3"},
                   {L"v3\\new\\n.txt", "n"},
                   {L"kind\\a.txt", "1"},
                   {L"kind\\new", "a file here, a folder in 3"},
                   {L"notes.txt", "fine"},
                   {L"latin1.txt", "caf\xE9"},
                   {L"full\\left.txt", "x"}});
  Publisher::PublishOptions options = Options(dir, dir / L"out");
  c.change(options, dir);
  std::string error;
  EXPECT_FALSE(Publisher::Publish(options, error)) << c.what;
  EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
  EXPECT_NE(error.find(Narrow(c.names)), std::string::npos) << c.what << ": " << error;
  const std::wstring out = options.out;
  const Tree left = Read(out + L"\\");
  if (out == dir / L"full") {
    EXPECT_EQ(left, (Tree{{L"left.txt", "x"}})) << c.what;
  } else if (out == dir / L"v3\\published") {
    EXPECT_EQ(Read(dir / L"v3\\"), (Tree{{L"a.txt", "3"}, {L"new", kDirectory}, {L"new\\n.txt", "n"}})) << c.what;
  } else {
    EXPECT_FALSE(PathExists(out)) << c.what << ": " << Describe(left);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, Refused, ::testing::ValuesIn(kRefusals));

// The command line: each request the tool cannot read is named.
struct ArgumentCase {
  std::vector<std::wstring> arguments;
  bool ok;
  const char* says;
};

TEST(PublishArguments, ReadTheRequestOrNameWhatIsWrong) {
  const std::vector<std::wstring> base = {L"--version", L"3.0.0.0",  L"--release", L"r",     L"--key",
                                          L"k",         L"--mirror", L"https://a", L"--out", L"o"};
  auto with = [&](std::vector<std::wstring> more) {
    std::vector<std::wstring> all = base;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  const std::vector<ArgumentCase> cases = {
      {base, true, ""},
      {with({L"--earlier", L"1.0.0.0=C:\\v1", L"--mirror", L"https://b", L"--notes", L"n.txt"}), true, ""},
      {with({L"--earlier", L"1.0.0.0"}), false, "as F=DIR"},
      {with({L"--earlier", L"=C:\\v1"}), false, "as F=DIR"},
      {with({L"--version", L"4.0.0.0"}), false, "given twice"},
      {with({L"--mirror"}), false, "needs a value"},
      {with({L"--bogus", L"x"}), false, "unknown argument --bogus"},
      {{L"--release", L"r", L"--key", L"k", L"--mirror", L"m", L"--out", L"o"}, false, "--version is missing"},
      {{L"--version", L"3.0.0.0", L"--release", L"r", L"--key", L"k", L"--out", L"o"}, false, "--mirror is missing"},
  };
  for (const ArgumentCase& c : cases) {
    Publisher::PublishOptions options;
    std::string error;
    EXPECT_EQ(Publisher::ParseArguments(c.arguments, options, error), c.ok) << c.says << ": " << error;
    // A request that is read leaves no message at all.
    EXPECT_EQ(c.ok ? error.empty() : error.find(c.says) != std::string::npos, true) << c.says << ": " << error;
  }
  Publisher::PublishOptions options;
  std::string error;
  ASSERT_TRUE(Publisher::ParseArguments(
      with({L"--earlier", L"1.0.0.0=C:\\v=1", L"--earlier", L"2.0.0.0=D:\\v2", L"--mirror", L"https://b"}), options,
      error));
  ASSERT_EQ(options.earlier.size(), 2u);
  EXPECT_EQ(options.earlier[0].version, L"1.0.0.0");
  EXPECT_EQ(options.earlier[0].folder, L"C:\\v=1");
  EXPECT_EQ(options.earlier[1].folder, L"D:\\v2");
  EXPECT_EQ(options.mirrors, (std::vector<std::wstring>{L"https://a", L"https://b"}));
}

// What the maker publishes reaches users: the folder served as it is, each
// installation of an earlier release updates to the new one byte for byte
// through its delta (the full package is not even served), and a version no
// delta starts from takes the full package.
TEST_F(Published, ServedAsItIsEveryEarlierInstallationBecomesTheReleaseThroughItsDelta) {
  ASSERT_TRUE(published_) << error_;
  const std::wstring served = L"published-" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring out = TestBinDirectory() + served;
  RemoveTree(out);
  Publisher::PublishOptions options = Options(*dir_, out);
  options.mirrors = {Widen(HttpUrl("/files/" + Narrow(served)))};
  std::string error;
  ASSERT_TRUE(Publisher::Publish(options, error)) << error;
  const std::string data = ReadBytes(out + L"\\data.json");
  const Launcher::VersionReply reply = Launcher::ReadVersionReply("{\"Code\": 0, \"Data\": " + data + "}");
  ASSERT_EQ(reply.deltas.size(), 2u) << data;

  const struct {
    const wchar_t* installed;
    const Tree* tree;
    bool fullServed;
  } cases[] = {{L"1.0.0.0", &kV1, false}, {L"2.0.0.0", &kV2, false}, {L"0.9.0.0", nullptr, true}};
  const std::string full = ReadBytes(out + L"\\Tarvo_3.0.0.0.7z");
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.installed));
    if (c.fullServed) {
      ASSERT_TRUE(WriteBytes(out + L"\\Tarvo_3.0.0.0.7z", full));
    } else {
      RemoveTree(out + L"\\Tarvo_3.0.0.0.7z");
    }
    TempDir installation(L"installed");
    if (c.tree) Lay(installation.Path(), *c.tree);
    SinkRecorder recorder;
    Launcher::UpdateSession::Options session;
    session.publicKey = TEST_UPDATE_PUBLIC_KEY;
    const Launcher::Installation gate(installation.Path());
    Launcher::UpdateSession(gate, Launcher::OfferOf(reply, c.installed), recorder, session).Run();
    EXPECT_EQ(recorder.Finals(), std::vector<UINT>{Launcher::WM_UPDATE_INSTALL_DONE}) << recorder.Ending().ToString();
    Tree after = Read(installation.Path());
    EXPECT_NE(after[L"update.version"].find("3.0.0.0\r\n"), std::string::npos);
    after.erase(L"update.version");
    EXPECT_TRUE(after == kV3) << Describe(after);
  }
  RemoveTree(out);
}

}  // namespace
