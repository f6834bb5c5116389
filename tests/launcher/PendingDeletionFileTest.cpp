#include "launcher/update/PendingDeletionFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/UniqueHandle.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace Launcher;

namespace {

using Names = std::vector<std::wstring>;

TEST(PendingDeletionFile, SplitsAndJoinsOnBars) {
  const struct {
    const wchar_t* text;
    Names names;
  } cases[] = {
      {L"", {}},
      {L"a", {L"a"}},
      {L"bin\\_old.dll|_update.dat", {L"bin\\_old.dll", L"_update.dat"}},
      {L"a||b", {L"a", L"", L"b"}},  // an empty name is a name too
      {L"a|", {L"a", L""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PendingDeletionFile::Split(c.text), c.names) << Narrow(c.text);
    EXPECT_EQ(PendingDeletionFile::Join(c.names), c.text) << Narrow(c.text);
  }
}

TEST(PendingDeletionFile, OneBytePerCharacterWithEscapesAboveLatin1) {
  const struct {
    std::wstring text;
    std::string bytes;
  } cases[] = {
      {L"plain.dll", "plain.dll"},
      {L"caf\u00e9\u00ff", "caf\xe9\xff"},        // 0x80-0xFF stay single bytes
      {L"\u4e2d\u6587.dll", "<4e2d><6587>.dll"},  // beyond one byte: <hhhh>
      {L"a|\u00e9|\u4e2d", "a|\xe9|<4e2d>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PendingDeletionFile::Encode(c.text), c.bytes);
    EXPECT_EQ(PendingDeletionFile::Decode(c.bytes), c.text);
  }
  // Hexadecimal digits read in either case.
  EXPECT_EQ(PendingDeletionFile::Decode("<4E2D><6a2B>"), L"\u4e2d\u6a2b");
  // Bytes 0 add nothing; a "<" that is not a full escape stays as it is.
  EXPECT_EQ(PendingDeletionFile::Decode(std::string("a\0b", 3)), L"ab");
  EXPECT_EQ(PendingDeletionFile::Decode("<4e2d"), L"<4e2d");
  EXPECT_EQ(PendingDeletionFile::Decode("<00e9>"), L"<00e9>");  // never written that way
  EXPECT_EQ(PendingDeletionFile::Decode("<zz12>"), L"<zz12>");
}

TEST(PendingDeletionFile, WriteThenReadKeepsWideNames) {
  TempDir dir;
  const PendingDeletionFile file(dir.Path());
  ASSERT_TRUE(file.Write(L"bin\\_\u6838\u5fc3.dll|_caf\u00e9.dat").ok());
  EXPECT_EQ(ReadBytes(dir / L"temp"), "bin\\_<6838><5fc3>.dll|_caf\xe9.dat");
  std::wstring text;
  ASSERT_TRUE(file.Read(text));
  EXPECT_EQ(text, L"bin\\_\u6838\u5fc3.dll|_caf\u00e9.dat");
}

TEST(ProcessPendingDeletions, FileOpenWithoutDeleteSharingStaysListed) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"_busy.dll", "x"));
  ASSERT_TRUE(WriteBytes(dir / L"_free.dll", "x"));
  ASSERT_TRUE(WriteBytes(dir / L"temp", "_busy.dll|_free.dll"));
  {
    UniqueHandle busy(::CreateFileW((dir / L"_busy.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(busy);
    ProcessPendingDeletions(dir.Path());
  }
  EXPECT_TRUE(FileExists(dir / L"_busy.dll"));
  EXPECT_FALSE(FileExists(dir / L"_free.dll"));
  EXPECT_EQ(ReadBytes(dir / L"temp"), "_busy.dll");
}

TEST(ProcessPendingDeletions, RemovesTheFileWhenEverythingIsGone) {
  const struct {
    const char* content;
    bool createFiles;
  } cases[] = {
      {"_a.dll|sub\\_b.dll", true}, {"", false},  // an empty file is deleted
  };
  for (const auto& c : cases) {
    TempDir dir;
    if (c.createFiles) {
      ASSERT_TRUE(::CreateDirectoryW((dir / L"sub").c_str(), nullptr));
      ASSERT_TRUE(WriteBytes(dir / L"_a.dll", "a"));
      ASSERT_TRUE(WriteBytes(dir / L"sub\\_b.dll", "b"));
    }
    ASSERT_TRUE(WriteBytes(dir / L"temp", c.content));
    ProcessPendingDeletions(dir.Path());
    EXPECT_FALSE(FileExists(dir / L"temp")) << c.content;
    EXPECT_FALSE(FileExists(dir / L"_a.dll"));
    EXPECT_FALSE(FileExists(dir / L"sub\\_b.dll"));
  }
}

TEST(ProcessPendingDeletions, MissingFileChangesNothing) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"keep.dll", "k"));
  ProcessPendingDeletions(dir.Path());
  EXPECT_TRUE(FileExists(dir / L"keep.dll"));
  EXPECT_FALSE(FileExists(dir / L"temp"));
}

TEST(ProcessPendingDeletions, DeletesNamesWithCharactersBeyondOneByte) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"_\u65e7.dll", "x"));
  ASSERT_TRUE(WriteBytes(dir / L"temp", "_<65e7>.dll"));
  ProcessPendingDeletions(dir.Path());
  EXPECT_FALSE(FileExists(dir / L"_\u65e7.dll"));
  EXPECT_FALSE(FileExists(dir / L"temp"));
}

}  // namespace
