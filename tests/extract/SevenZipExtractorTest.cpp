#include "launcher/extract/SevenZipExtractor.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "tests/extract/ExtractTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using SevenZip::SevenZipExtractor;

namespace {

constexpr HRESULT kUnsafePath = static_cast<HRESULT>(0x800700A1);
constexpr HRESULT kDamaged = static_cast<HRESULT>(0x8007000D);

HRESULT Extract(const std::wstring& archive, const std::wstring& directory, std::vector<std::wstring>* log = nullptr,
                std::vector<std::wstring>* created = nullptr) {
  SevenZipExtractor extractor;
  extractor.SetPath(archive);
  CapturedOutput output;
  HRESULT result = extractor.ExtractTo(directory);
  if (log) *log = output.Lines();
  if (created) *created = extractor.CreatedPaths();
  return result;
}

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

DWORD Attributes(const std::wstring& path) {
  return GetFileAttributesW(path.c_str());
}

// Names directly inside `directory`.
std::set<std::wstring> Entries(const std::wstring& directory) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((directory + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.insert(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

}  // namespace

TEST(ExtractTo, NestedPackageWritesTheTreeAndLogsEachItem) {
  TempDir dir(L"nested");
  const std::wstring target = dir / L"install";  // no final separator: one is added
  SevenZipExtractor listing;
  listing.SetPath(ArchivePath(L"nested.7z"));
  const std::set<std::wstring> directories = {L"a", L"a\\b", L"a\\b\\c", L"a\\empty", L"bin"};
  std::vector<std::wstring> expected;
  for (const std::wstring& item : listing.ItemNames()) {
    bool isDirectory = directories.count(item) > 0;
    expected.push_back((isDirectory ? L"DirBegin:" : L"FileBegin:") + target + L"\\" + item);
    expected.push_back(L"FileDone:" + target + L"\\" + item);
  }
  ASSERT_EQ(expected.size(), 18u);

  std::vector<std::wstring> log;
  EXPECT_EQ(Extract(ArchivePath(L"nested.7z"), target, &log), S_OK);
  EXPECT_EQ(log, expected);
  EXPECT_EQ(ReadBytes(target + L"\\top.txt"), "top");
  EXPECT_EQ(ReadBytes(target + L"\\a\\b\\c\\deep.txt"), "deep file");
  EXPECT_EQ(ReadBytes(target + L"\\a\\说明.txt"), "中文内容");
  EXPECT_EQ(ReadBytes(target + L"\\bin\\core.dll"), "core library");
  EXPECT_TRUE(DirectoryExists(target + L"\\a\\empty"));
}

struct PackageCase {
  const wchar_t* archive;
  std::map<std::wstring, std::string> files;
};

class ExtractPackage : public ::testing::TestWithParam<PackageCase> {};

TEST_P(ExtractPackage, WritesEveryFile) {
  const PackageCase& c = GetParam();
  TempDir dir(L"package");
  EXPECT_EQ(Extract(ArchivePath(c.archive), dir.Path()), S_OK);
  for (const auto& [name, content] : c.files) {
    EXPECT_EQ(ReadBytes(dir / name), content) << Narrow(name);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ExtractPackage,
    ::testing::Values(
        PackageCase{L"nested.zip",
                    {{L"top.txt", "top"}, {L"a\\b\\c\\deep.txt", "deep file"}, {L"a\\说明.txt", "中文内容"}}},
        PackageCase{L"infozip.zip", {{L"docs\\readonly.txt", "read me"}, {L"docs\\guide\\intro.txt", "guide"}}},
        PackageCase{L"package.cab", {{L"one.txt", "cab one"}, {L"two.txt", "cab two"}}},
        // A lzma stream has no item path: it becomes "[Content]".
        PackageCase{L"payload.lzma", {{L"[Content]", "lzma payload"}}}, PackageCase{L"empty.7z", {}}));

// Extraction decodes on one thread; a stream written in several blocks on
// several threads still comes out whole.
TEST(ExtractTo, Lzma2InSeveralBlocksComesOutWhole) {
  std::string expected;
  char line[16];
  for (int i = 0; i < 300000; ++i) {
    std::snprintf(line, sizeof line, "line %07d\n", i);
    expected += line;
  }
  TempDir dir(L"blocks");
  ASSERT_EQ(Extract(ArchivePath(L"multi-block.7z"), dir.Path()), S_OK);
  const std::string written = ReadBytes(dir / L"lines.txt");
  EXPECT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);
}

TEST(ExtractTo, AttributesOfUnixArchivesAreAppliedWithoutTheModeBits) {
  TempDir dir(L"attributes");
  ASSERT_EQ(Extract(ArchivePath(L"infozip.zip"), dir.Path()), S_OK);
  DWORD readOnly = Attributes(dir / L"docs\\readonly.txt");
  ASSERT_NE(readOnly, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(readOnly & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(Attributes(dir / L"docs\\guide\\intro.txt") & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((dir / L"docs\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ExtractTo, LastWriteTimeComesFromTheArchive) {
  // Two extractions apart in time give the same write time only when it is
  // the archive's, not the moment of writing.
  FILETIME times[2] = {};
  for (FILETIME& time : times) {
    TempDir dir(L"times");
    ASSERT_EQ(Extract(ArchivePath(L"nested.7z"), dir.Path()), S_OK);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW((dir / L"top.txt").c_str(), GetFileExInfoStandard, &data));
    time = data.ftLastWriteTime;
    Sleep(50);
  }
  EXPECT_EQ(CompareFileTime(&times[0], &times[1]), 0);
}

struct FailureCase {
  const wchar_t* archive;
  bool opens;  // false: the open step fails (nothing is logged)
};

class ExtractFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ExtractFailure, GivesANonZeroResultOtherThan110) {
  const FailureCase& c = GetParam();
  TempDir dir(L"failure");
  std::vector<std::wstring> log;
  HRESULT result = Extract(ArchivePath(c.archive), dir / L"target", &log);
  EXPECT_NE(result, S_OK);
  EXPECT_NE(result, 110);
  if (!c.opens) {
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(DirectoryExists(dir / L"target"));
  }
}

INSTANTIATE_TEST_SUITE_P(Packages, ExtractFailure,
                         ::testing::Values(FailureCase{L"not-an-archive.bin", false},
                                           FailureCase{L"truncated.7z", false},
                                           FailureCase{L"encrypted-names.7z", false},
                                           FailureCase{L"encrypted-data.7z", true}, FailureCase{L"encrypted.zip", true},
                                           FailureCase{L"corrupt.7z", true}));

TEST(ExtractTo, AMissingPackageGives110) {
  TempDir dir(L"missing");
  EXPECT_EQ(Extract(dir / L"nowhere.7z", dir.Path()), 110);
}

TEST(ExtractTo, AnEmptyTargetIsRefusedBeforeAnythingIsWritten) {
  // Joined to nothing, the items would land in whatever the current directory is.
  std::vector<std::wstring> log;
  EXPECT_EQ(Extract(ArchivePath(L"ordered.zip"), L"", &log), E_INVALIDARG);
  EXPECT_TRUE(log.empty());
}

TEST(ExtractTo, EncryptedDataIsRefusedWithTheAbortOfThePasswordRequest) {
  TempDir dir(L"encrypted");
  EXPECT_EQ(Extract(ArchivePath(L"encrypted-data.7z"), dir.Path()), E_ABORT);
  // No decoded data without the password: no file at all is written, only
  // the directory item that precedes the encrypted data may be made.
  const std::set<std::wstring> top = Entries(dir.Path());
  EXPECT_TRUE(top.empty() || top == std::set<std::wstring>{L"bin"});
  EXPECT_TRUE(Entries(dir / L"bin\\").empty());
  EXPECT_FALSE(PathExists(dir / L"top.txt"));
}

TEST(ExtractTo, ADamagedItemStopsTheExtraction) {
  TempDir dir(L"corrupt");
  std::vector<std::wstring> created;
  EXPECT_EQ(Extract(ArchivePath(L"corrupt.7z"), dir.Path(), nullptr, &created), kDamaged);
  // Whatever was written is listed, so that the caller can take it back.
  EXPECT_FALSE(created.empty());
}

TEST(ExtractTo, ATargetEndingInSlashIsKeptAsGiven) {
  TempDir dir(L"slash");
  std::vector<std::wstring> log;
  ASSERT_EQ(Extract(ArchivePath(L"ordered.zip"), dir.Path() + L"inst/", &log), S_OK);
  EXPECT_TRUE(Contains(log, L"FileBegin:" + dir.Path() + L"inst/first.txt"));
  EXPECT_TRUE(Contains(log, L"FileBegin:" + dir.Path() + L"inst/new\\second.txt"));
  EXPECT_EQ(ReadBytes(dir / L"inst\\new\\second.txt"), "in new dir");
}

TEST(ExtractTo, ReadOnlyFileAndDirectoryInTheWayAreReplaced) {
  TempDir dir(L"inway");
  ASSERT_TRUE(WriteBytes(dir / L"first.txt", "old first"));
  ASSERT_TRUE(SetFileAttributesW((dir / L"first.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(MakeDirectories(dir / L"third.txt\\inner"));
  ASSERT_TRUE(WriteBytes(dir / L"third.txt\\inner\\x.txt", "x"));

  std::vector<std::wstring> created;
  EXPECT_EQ(Extract(ArchivePath(L"ordered.zip"), dir.Path(), nullptr, &created), S_OK);
  EXPECT_EQ(ReadBytes(dir / L"first.txt"), "first");
  EXPECT_EQ(ReadBytes(dir / L"third.txt"), "third");
  // Replaced paths are the caller's to restore; only new ones are listed.
  EXPECT_EQ(created, (std::vector<std::wstring>{dir / L"new", dir / L"new\\second.txt", dir / L"last.txt"}));
}

TEST(ExtractTo, LockedTargetFileFailsAtThatItemAndKeepsWhatCameBefore) {
  TempDir dir(L"locked");
  ASSERT_TRUE(WriteBytes(dir / L"third.txt", "old third"));
  // Read-only too: the flag taken off for the removal must come back.
  ASSERT_TRUE(SetFileAttributesW((dir / L"third.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  // Held without delete sharing, as a running program holds its files; Wine
  // enforces this between its own processes and handles like Windows does.
  UniqueHandle lock(CreateFileW((dir / L"third.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(lock);

  std::vector<std::wstring> log;
  std::vector<std::wstring> created;
  HRESULT result = Extract(ArchivePath(L"ordered.zip"), dir.Path(), &log, &created);
  EXPECT_NE(result, S_OK);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), L"移除路径失败:" + dir / L"third.txt");
  EXPECT_EQ(ReadBytes(dir / L"first.txt"), "first");
  EXPECT_EQ(ReadBytes(dir / L"new\\second.txt"), "in new dir");
  EXPECT_FALSE(FileExists(dir / L"last.txt"));
  EXPECT_EQ(created, (std::vector<std::wstring>{dir / L"first.txt", dir / L"new", dir / L"new\\second.txt"}));
  lock.Reset();
  EXPECT_EQ(ReadBytes(dir / L"third.txt"), "old third");
  EXPECT_TRUE(Attributes(dir / L"third.txt") & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((dir / L"third.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ExtractTo, FileWhereAParentDirectoryBelongsFailsWith1631) {
  // Windows answers 80 when a file has the directory's name, Wine 183; both
  // must count as failure.
  TempDir dir(L"parent");
  ASSERT_TRUE(WriteBytes(dir / L"new", "a file, not a directory"));
  std::vector<std::wstring> log;
  EXPECT_EQ(Extract(ArchivePath(L"ordered.zip"), dir.Path(), &log), 1631);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), L"创建目录失败:" + dir / L"new\\");
  EXPECT_EQ(ReadBytes(dir / L"new"), "a file, not a directory");
}

TEST(ExtractTo, CreatedPathsListNewDirectoriesTopDownBeforeTheirFiles) {
  TempDir dir(L"created");
  std::vector<std::wstring> created;
  ASSERT_EQ(Extract(ArchivePath(L"infozip.zip"), dir / L"fresh", nullptr, &created), S_OK);
  EXPECT_EQ(created,
            (std::vector<std::wstring>{dir / L"fresh", dir / L"fresh\\docs", dir / L"fresh\\docs\\readonly.txt",
                                       dir / L"fresh\\docs\\guide", dir / L"fresh\\docs\\guide\\intro.txt"}));
  SetFileAttributesW((dir / L"fresh\\docs\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  // A second extraction over the same tree creates nothing new.
  ASSERT_EQ(Extract(ArchivePath(L"infozip.zip"), dir / L"fresh", nullptr, &created), S_OK);
  EXPECT_TRUE(created.empty());
  SetFileAttributesW((dir / L"fresh\\docs\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ExtractTo, MissingDirectoryLevelsAreCreatedBeforeAFile) {
  // Made without directory entries: only the files' own paths say which
  // directories are needed.
  TempDir dir(L"levels");
  std::vector<std::wstring> created;
  ASSERT_EQ(Extract(ArchivePath(L"no-directory-entries.zip"), dir.Path(), nullptr, &created), S_OK);
  EXPECT_EQ(ReadBytes(dir / L"docs\\guide\\intro.txt"), "guide");
  EXPECT_EQ(created, (std::vector<std::wstring>{dir / L"docs", dir / L"docs\\readonly.txt", dir / L"docs\\guide",
                                                dir / L"docs\\guide\\intro.txt"}));
  SetFileAttributesW((dir / L"docs\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The test needs a file at a path of more than 260 characters, which Wine
// lets a program make without the long-path prefix and Windows does not.
TEST(ExtractTo, WineMadeFileAtMoreThan260CharactersIsNotRemoved) {
  for (size_t length : {260u, 261u}) {
    TempDir dir(L"long");
    const std::wstring item = L"[Content]";  // the lzma stream's item
    const std::wstring target = dir.Path() + std::wstring(length - item.size() - dir.Path().size() - 1, L'x') + L"\\";
    ASSERT_EQ((target + item).size(), length);
    ASSERT_TRUE(MakeDirectories(target));
    ASSERT_TRUE(WriteBytes(target + item, "old"));

    std::vector<std::wstring> log;
    HRESULT result = Extract(ArchivePath(L"payload.lzma"), target, &log);
    if (length <= MAX_PATH) {
      EXPECT_EQ(result, S_OK);
      EXPECT_EQ(ReadBytes(target + item), "lzma payload");
    } else {
      EXPECT_EQ(result, static_cast<HRESULT>(0x800700CE));  // ERROR_FILENAME_EXCED_RANGE
      ASSERT_FALSE(log.empty());
      EXPECT_EQ(log.back(), L"移除路径失败:" + target + item);
      EXPECT_EQ(ReadBytes(target + item), "old");
    }
  }
}

TEST(ExtractTo, AnExistingDirectoryItemIsAcceptedAndLogged) {
  TempDir dir(L"dirs");
  ASSERT_TRUE(MakeDirectories(dir / L"docs\\guide"));
  std::vector<std::wstring> log;
  ASSERT_EQ(Extract(ArchivePath(L"infozip.zip"), dir.Path(), &log), S_OK);
  for (const wchar_t* directory : {L"docs", L"docs\\guide"}) {
    EXPECT_TRUE(Contains(log, L"DirBegin:" + dir / directory)) << Narrow(directory);
    EXPECT_TRUE(Contains(log, L"FileDone:" + dir / directory)) << Narrow(directory);
  }
  EXPECT_EQ(ReadBytes(dir / L"docs\\guide\\intro.txt"), "guide");
  SetFileAttributesW((dir / L"docs\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

struct UnsafeCase {
  const wchar_t* archive;
  const wchar_t* item;  // as the engine reports it
};

class UnsafeItemPath : public ::testing::TestWithParam<UnsafeCase> {};

TEST_P(UnsafeItemPath, IsRefusedAndNothingOutsideTheTargetIsTouched) {
  const UnsafeCase& c = GetParam();
  TempDir dir(L"unsafe");
  const std::wstring target = dir / L"inst\\";
  ASSERT_TRUE(MakeDirectories(target));
  ASSERT_TRUE(WriteBytes(dir / L"evil.txt", "original"));

  std::vector<std::wstring> log;
  EXPECT_EQ(Extract(ArchivePath(c.archive), target, &log), kUnsafePath);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), std::wstring(L"非法路径:") + c.item);
  // The item before it was written; the target itself is still there.
  EXPECT_EQ(ReadBytes(target + L"ok.txt"), "fine");
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::wstring>{L"inst", L"evil.txt"}));
  EXPECT_EQ(ReadBytes(dir / L"evil.txt"), "original");
  EXPECT_EQ(Entries(target), std::set<std::wstring>{L"ok.txt"});
  EXPECT_FALSE(FileExists(L"C:\\evil-absolute.txt"));
  EXPECT_FALSE(FileExists(L"C:\\evil-drive.txt"));
}

INSTANTIATE_TEST_SUITE_P(Packages, UnsafeItemPath,
                         ::testing::Values(UnsafeCase{L"dotdot.zip", L"..\\evil.txt"},
                                           UnsafeCase{L"dotdot-inner.zip", L"sub\\..\\..\\evil.txt"},
                                           UnsafeCase{L"dotdot-dir.zip", L"..\\evil-dir"},
                                           UnsafeCase{L"absolute.zip", L"\\evil-absolute.txt"},
                                           UnsafeCase{L"drive.zip", L"C:\\evil-drive.txt"},
                                           UnsafeCase{L"unc.zip", L"\\\\server\\share\\evil.txt"},
                                           UnsafeCase{L"dots.zip", L"...\\evil.txt"},
                                           UnsafeCase{L"wildcard.zip", L"*.txt"},
                                           UnsafeCase{L"device.zip", L"sub\\com1.txt"},
                                           // Windows reads superscript digits as digits here.
                                           UnsafeCase{L"device-superscript.zip", L"lpt\u00b3.log"},
                                           // Would name the target directory itself.
                                           UnsafeCase{L"empty-name.zip", L""}, UnsafeCase{L"dot-name.zip", L"."}));
