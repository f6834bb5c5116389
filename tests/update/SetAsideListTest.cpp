#include "launcher/update/SetAsideList.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/UniqueHandle.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace Launcher;

namespace {

TEST(SetAsideName, InsertsUnderscoresBeforeTheLastComponent) {
  TempDir dir;
  ASSERT_TRUE(MakeDirectories(dir / L"bin"));
  ASSERT_TRUE(WriteBytes(dir / L"bin\\_core.dll", "x"));
  ASSERT_TRUE(WriteBytes(dir / L"_a.dat", "x"));
  ASSERT_TRUE(WriteBytes(dir / L"__a.dat", "x"));
  const struct {
    const wchar_t* item;
    const wchar_t* setAside;
  } cases[] = {
      {L"update.dat", L"_update.dat"},
      {L"bin\\core.dll", L"bin\\__core.dll"},  // bin\_core.dll is taken
      {L"bin\\other.dll", L"bin\\_other.dll"},
      {L"bin/other.dll", L"bin/_other.dll"},  // either separator
      {L"a.dat", L"___a.dat"},
      {L"bin", L"_bin"},
  };
  const Installation installation(dir.Path());
  for (const auto& c : cases) EXPECT_EQ(SetAsideName(installation, c.item), c.setAside) << Narrow(c.item);
}

TEST(SetAsideList, SetAsideMovesNestedPathsAndListsWhatMoved) {
  TempDir dir;
  ASSERT_TRUE(MakeDirectories(dir / L"bin"));
  ASSERT_TRUE(WriteBytes(dir / L"bin\\core.dll", "core"));
  ASSERT_TRUE(WriteBytes(dir / L"bin\\_core.dll", "older"));
  ASSERT_TRUE(WriteBytes(dir / L"VxSpeedUp.exe", "product"));

  const Installation installation(dir.Path());
  SetAsideList list(installation, {});
  // bin last: the whole directory, holding bin\__core.dll by then; new.dll
  // is not installed and gets no entry.
  for (const SetAsideList::Entry& planned : list.Plan({L"bin\\core.dll", L"bin", L"VxSpeedUp.exe", L"new.dll"})) {
    ASSERT_TRUE(list.SetAside(planned).ok()) << Narrow(planned.itemName);
  }
  ASSERT_EQ(list.Entries().size(), 3u);
  EXPECT_EQ(list.Entries()[0].setAsideName, L"bin\\__core.dll");
  EXPECT_EQ(ReadBytes(dir / L"_bin\\__core.dll"), "core");
  EXPECT_EQ(ReadBytes(dir / L"_bin\\_core.dll"), "older");
  EXPECT_EQ(ReadBytes(dir / L"_VxSpeedUp.exe"), "product");
  EXPECT_FALSE(FileExists(dir / L"VxSpeedUp.exe"));
}

// A move that fails keeps the platform's cause up to the caller, and nothing
// is listed as set aside.
TEST(SetAsideList, FailedMoveKeepsTheCause) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"a.dll", "a"));
  ASSERT_TRUE(WriteBytes(dir / L"_a.dll", "taken since the plan"));
  const struct {
    const wchar_t* item;
    const wchar_t* setAside;
    const char* call;
    unsigned long code;
    const wchar_t* subject;
  } cases[] = {
      {L"a.dll", L"_a.dll", "MoveFileExW", ERROR_ALREADY_EXISTS, L"_a.dll"},  // never replaces what is ours
      {L"gone.dll", L"_gone.dll", "CreateFileW", ERROR_FILE_NOT_FOUND, L"gone.dll"},
  };
  const Installation installation(dir.Path());
  for (const auto& c : cases) {
    SetAsideList list(installation, {});
    const Status moved = list.SetAside(SetAsideList::Entry{c.item, c.setAside});
    EXPECT_FALSE(moved.ok()) << Narrow(c.item);
    EXPECT_STREQ(moved.call(), c.call) << moved.ToString();
    EXPECT_EQ(moved.code(), c.code) << moved.ToString();
    EXPECT_EQ(moved.subject(), dir / c.subject);
    EXPECT_TRUE(list.Entries().empty());
  }
  EXPECT_EQ(ReadBytes(dir / L"a.dll"), "a");
  EXPECT_EQ(ReadBytes(dir / L"_a.dll"), "taken since the plan");
}

TEST(SetAsideList, DiscardDeletesFilesAndDefersWhatCannotGo) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"a.dll", "a"));
  ASSERT_TRUE(WriteBytes(dir / L"busy.dll", "b"));
  ASSERT_TRUE(MakeDirectories(dir / L"plugins"));
  ASSERT_TRUE(WriteBytes(dir / L"plugins\\p.dll", "p"));
  const Installation installation(dir.Path());
  SetAsideList list(installation, {});
  PendingList pending(installation);
  for (const SetAsideList::Entry& planned : list.Plan({L"a.dll", L"plugins", L"busy.dll"})) {
    ASSERT_TRUE(list.SetAside(planned).ok()) << Narrow(planned.itemName);
  }
  {
    // Held without delete sharing, as a running program holds its files.
    UniqueHandle busy(::CreateFileW((dir / L"_busy.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(busy);
    list.Discard(pending);
  }
  ASSERT_TRUE(pending.Save().ok());
  EXPECT_FALSE(FileExists(dir / L"_a.dll"));
  EXPECT_FALSE(DirectoryExists(dir / L"_plugins"));  // a directory goes with its files
  EXPECT_EQ(ReadBytes(dir / L"_busy.dll"), "b");
  EXPECT_EQ(ReadBytes(dir / L"temp"), "_busy.dll");
}

TEST(DeleteOrDefer, KeepsNamesAnEarlierRunCouldNotDelete) {
  const struct {
    const char* before;  // nullptr: no pending-deletion file
    const char* after;
  } cases[] = {
      {nullptr, "_busy.dll"},
      {"_old.dll", "_old.dll|_busy.dll"},
      {"_old.dll|_busy.dll", "_old.dll|_busy.dll"},  // no duplicates
      {"", "_busy.dll"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"_busy.dll", "b"));
    ASSERT_TRUE(WriteBytes(dir / L"_free.dll", "f"));
    if (c.before) {
      ASSERT_TRUE(WriteBytes(dir / L"temp", c.before));
    }
    {
      UniqueHandle busy(::CreateFileW((dir / L"_busy.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(busy);
      const Installation installation(dir.Path());
      PendingList pending(installation);
      DeleteOrDefer(installation, {L"_free.dll", L"_busy.dll"}, pending);
      ASSERT_TRUE(pending.Save().ok());
    }
    EXPECT_FALSE(FileExists(dir / L"_free.dll"));
    EXPECT_EQ(ReadBytes(dir / L"temp"), c.after) << (c.before ? c.before : "(none)");
  }
}

TEST(DeleteOrDefer, LeavesThePendingFileAloneWhenEverythingIsDeleted) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"_a.dll", "a"));
  ASSERT_TRUE(WriteBytes(dir / L"temp", "_older.dll"));
  const Installation installation(dir.Path());
  PendingList pending(installation);
  DeleteOrDefer(installation, {L"_a.dll"}, pending);
  ASSERT_TRUE(pending.Save().ok());
  EXPECT_FALSE(FileExists(dir / L"_a.dll"));
  EXPECT_EQ(ReadBytes(dir / L"temp"), "_older.dll");
}

}  // namespace
