#include "launcher/update/PendingList.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/UniqueHandle.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace Launcher;

namespace {

using Entry = PendingList::Entry;

// The file's form: entries cut at every "|", one byte per character with
// <hhhh> above Latin-1; entries that leave the installation, and empty ones,
// are dropped when read.
TEST(PendingList, EncodesAndDecodesEntries) {
  const struct {
    std::string bytes;
    std::vector<Entry> entries;
    bool roundTrip;  // Encode(entries) gives the bytes back
  } cases[] = {
      {"", {}, true},
      {"bin\\_old.dll|_update.dat", {Entry::Deletion(L"bin\\_old.dll"), Entry::Deletion(L"_update.dat")}, true},
      {"bin\\_core.dll>bin\\core.dll", {Entry::Restore(L"bin\\_core.dll", L"bin\\core.dll")}, true},
      {"caf\xe9\xff|<4e2d><6587>.dll",
       {Entry::Deletion(L"caf\u00e9\u00ff"), Entry::Deletion(L"\u4e2d\u6587.dll")},
       true},
      {"<4E2D><6a2B>", {Entry::Deletion(L"\u4e2d\u6a2b")}, false},       // either case of digits
      {std::string("a\0b", 3), {Entry::Deletion(L"ab")}, false},         // a byte 0 adds nothing
      {"<4e2d", {Entry::Deletion(L"<4e2d")}, true},                      // no full escape: as it is
      {"a||b|", {Entry::Deletion(L"a"), Entry::Deletion(L"b")}, false},  // empty entries go
      {"..\\x|C:\\x|_a>..\\a|ok", {Entry::Deletion(L"ok")}, false},      // so do entries outside
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PendingList::Decode(c.bytes), c.entries) << c.bytes;
    if (c.roundTrip) {
      EXPECT_EQ(PendingList::Encode(c.entries), c.bytes);
    }
  }
}

// Load once, change, save once: only a changed list is written, an emptied
// one is deleted, and what an earlier run listed stays.
TEST(PendingList, SavesOnlyWhatChanged) {
  const struct {
    const char* before;  // nullptr: no file
    std::vector<Entry> added;
    std::vector<std::wstring> installed;
    const char* after;  // nullptr: no file
  } cases[] = {
      {nullptr, {}, {}, nullptr},
      {nullptr, {Entry::Deletion(L"_a.dll")}, {}, "_a.dll"},
      {"_old.dll", {Entry::Deletion(L"_a.dll"), Entry::Deletion(L"_old.dll")}, {}, "_old.dll|_a.dll"},
      {"", {Entry::Deletion(L"_a.dll")}, {}, "_a.dll"},
      {"", {}, {}, nullptr},                                 // an empty list goes
      {"_old.dll|bin", {}, {L"bin\\core.dll"}, "_old.dll"},  // written over: forgotten
      {"_c.dll>c.dll|_d.dll>d.dll", {}, {L"c.dll"}, "_c.dll|_d.dll>d.dll"},
      {"_c.dll>c.dll", {Entry::Deletion(L"..\\x")}, {}, "_c.dll>c.dll"},  // outside: never listed
  };
  for (const auto& c : cases) {
    TempDir dir;
    if (c.before) {
      ASSERT_TRUE(WriteBytes(dir / L"temp", c.before));
    }
    const Installation installation(dir.Path());
    PendingList list(installation);
    for (const Entry& entry : c.added) list.Add(entry);
    list.ForgetInstalled(c.installed);
    ASSERT_TRUE(list.Save().ok());
    if (c.after) {
      EXPECT_EQ(ReadBytes(dir / L"temp"), c.after) << (c.before ? c.before : "(none)");
    } else {
      EXPECT_FALSE(PathExists(dir / L"temp")) << (c.before ? c.before : "(none)");
    }
  }
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
    EXPECT_FALSE(ProcessPendingDeletions(Installation(dir.Path())));
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
    EXPECT_FALSE(ProcessPendingDeletions(Installation(dir.Path())));
    EXPECT_FALSE(FileExists(dir / L"temp")) << c.content;
    EXPECT_FALSE(FileExists(dir / L"_a.dll"));
    EXPECT_FALSE(FileExists(dir / L"sub\\_b.dll"));
  }
}

TEST(ProcessPendingDeletions, MissingFileChangesNothing) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"keep.dll", "k"));
  EXPECT_FALSE(ProcessPendingDeletions(Installation(dir.Path())));
  EXPECT_TRUE(FileExists(dir / L"keep.dll"));
  EXPECT_FALSE(FileExists(dir / L"temp"));
}

TEST(ProcessPendingDeletions, DeletesNamesWithCharactersBeyondOneByte) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"_\u65e7.dll", "x"));
  ASSERT_TRUE(WriteBytes(dir / L"temp", "_<65e7>.dll"));
  EXPECT_FALSE(ProcessPendingDeletions(Installation(dir.Path())));
  EXPECT_FALSE(FileExists(dir / L"_\u65e7.dll"));
  EXPECT_FALSE(FileExists(dir / L"temp"));
}

}  // namespace
