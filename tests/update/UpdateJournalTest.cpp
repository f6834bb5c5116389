// The update record on disk: its documented format, and the start-up repair
// facing a record that is damaged, foreign or hostile.
#include "launcher/update/PendingList.h"
#include "launcher/update/UpdateJournal.h"
#include "launcher/update/UpdateRepair.h"
#include "launcher/update/UpdateSession.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/Files.h"
#include "tests/support/InstallTree.h"
#include "tests/support/SealedRecord.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixFiles.h"

using namespace Launcher;

namespace {

const std::string kHead = "Tarvo update journal 1\r\nstate installing\r\npackage pkg.zip\r\n";

TEST(UpdateJournal, WritesTheDocumentedFormat) {
  ASSERT_EQ(RecordCrc("123456789"), 0xCBF43926ul);
  UpdateJournal::Record record;
  record.package = L"update 2.1.zip";
  record.items = {L"VxSpeedUp.exe", L"说明\\更新.txt"};
  record.created = {L"说明", L"说明\\更新.txt"};
  record.setAside = {{L"VxSpeedUp.exe", L"_VxSpeedUp.exe"}};
  std::string bytes;
  ASSERT_TRUE(UpdateJournal::Encode(record, bytes));
  // Checksum computed apart from the code, with zlib.crc32.
  EXPECT_EQ(bytes,
            "Tarvo update journal 1\r\nstate installing\r\npackage update 2.1.zip\r\nitem VxSpeedUp.exe\r\n"
            "item \xe8\xaf\xb4\xe6\x98\x8e\\\xe6\x9b\xb4\xe6\x96\xb0.txt\r\nnew \xe8\xaf\xb4\xe6\x98\x8e\r\n"
            "new \xe8\xaf\xb4\xe6\x98\x8e\\\xe6\x9b\xb4\xe6\x96\xb0.txt\r\naside _VxSpeedUp.exe>VxSpeedUp.exe\r\n"
            "end 9095a516\r\n");

  // Written and read back through the disk, installed state included.
  TempDir dir;
  record.state = UpdateJournal::State::Installed;
  const Installation installation(dir.Path());
  const UpdateJournal journal(installation);
  ASSERT_TRUE(journal.Write(record).ok());
  EXPECT_FALSE(PathExists(dir / L"update.journal.new"));
  {
    // What another account plants under the temporary names (a directory,
    // a read-only file, here open to every account) stops no update: the
    // write takes a fresh name and leaves the planted ones alone.
    TempDir blocked;
    ASSERT_TRUE(::CreateDirectoryW((blocked / L"update.journal.new").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(blocked / L"update.journal.new1", "planted"));
    ASSERT_TRUE(::SetFileAttributesW((blocked / L"update.journal.new1").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(::CreateDirectoryW((blocked / L"temp.new").c_str(), nullptr));
    for (const wchar_t* planted : {L"update.journal.new", L"update.journal.new1", L"temp.new"}) {
      ASSERT_TRUE(SetUnixMode(blocked / planted, "777"));
    }
    const Installation installation(blocked.Path());
    EXPECT_TRUE(UpdateJournal(installation).Write(record).ok());
    PendingList pending(installation);
    pending.Add(PendingList::Entry::Deletion(L"a.dll"));
    EXPECT_TRUE(pending.Save().ok());
    EXPECT_TRUE(FileExists(blocked / L"update.journal"));
    EXPECT_EQ(ReadBytes(blocked / L"temp"), "a.dll");
    EXPECT_TRUE(DirectoryExists(blocked / L"update.journal.new"));
    EXPECT_EQ(ReadBytes(blocked / L"update.journal.new1"), "planted");
    ::SetFileAttributesW((blocked / L"update.journal.new1").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  UpdateJournal::Record read;
  ASSERT_EQ(journal.Read(read), UpdateJournal::ReadResult::Read);
  EXPECT_EQ(read.state, UpdateJournal::State::Installed);
  EXPECT_EQ(read.package, record.package);
  EXPECT_EQ(read.items, record.items);
  EXPECT_EQ(read.created, record.created);
  ASSERT_EQ(read.setAside.size(), 1u);
  EXPECT_EQ(read.setAside[0].setAsideName, L"_VxSpeedUp.exe");

  // A name the format cannot carry is never written: nothing may be moved then.
  for (const wchar_t* bad : {L"..\\x", L"a\nb", L"a>b", L"temp", L"update.journal\\x", L"C:\\x"}) {
    UpdateJournal::Record unsafe;
    unsafe.created = {bad};
    EXPECT_FALSE(UpdateJournal::Encode(unsafe, bytes)) << Narrow(bad);
  }
}

// A record that is not what the worker writes touches nothing: it is renamed
// aside for a person to read, and the installation and its folder stay as
// they are.
TEST(UpdateJournal, DamagedOrForeignRecordIsSetAsideUntouched) {
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"foreign text", "hello\r\n"},
      {"binary", std::string("\x00\xff\x10 end 00000000\r\n", 18)},
      {"truncated", kHead + "new top.txt\r\n"},
      {"an end line one byte in", "x" + SealedRecord("")},
      {"an end line alone", SealedRecord("")},
      {"checksum wrong", kHead + "new top.txt\r\nend 00000000\r\n"},
      {"a byte changed",
       [] {
         std::string record = SealedRecord(kHead + "new top.txt\r\n");
         record[record.find("top")] = 'x';
         return record;
       }()},
      {"text after the end", SealedRecord(kHead + "new top.txt\r\n") + "new top.txt\r\n"},
      {"parent path", SealedRecord(kHead + "new ..\\victim.txt\r\n")},
      {"parent path in a set-aside", SealedRecord(kHead + "aside ..\\victim.txt>top.txt\r\n")},
      {"restore over a path outside", SealedRecord(kHead + "aside _top.txt>..\\victim.txt\r\n")},
      {"absolute path", SealedRecord(kHead + "new C:\\victim.txt\r\n")},
      {"pending list", SealedRecord(kHead + "new temp\r\n")},
      {"the product as package",
       SealedRecord("Tarvo update journal 1\r\nstate installing\r\npackage VxSpeedUp.exe\r\n")},
      {"package in a folder", SealedRecord("Tarvo update journal 1\r\nstate installing\r\npackage bin\\top.txt\r\n")},
      {"no package line", SealedRecord("Tarvo update journal 1\r\nstate installing\r\n")},
      {"two states", SealedRecord(kHead + "state installed\r\n")},
      {"unknown state", SealedRecord("Tarvo update journal 1\r\nstate done\r\npackage pkg.zip\r\n")},
      {"unknown line", SealedRecord(kHead + "delete top.txt\r\n")},
      {"other version", SealedRecord("Tarvo update journal 2\r\nstate installing\r\npackage pkg.zip\r\n")},
      {"bad UTF-8", SealedRecord(kHead + "new \xff\xfe.txt\r\n")},
      // Records anybody can write, checksum and all: they must hold together
      // the way the worker writes them.
      {"aside puts another file in the product's place",
       SealedRecord(kHead + "item VxSpeedUp.exe\r\naside top.txt>VxSpeedUp.exe\r\n")},
      {"installed, aside deletes a user's directory",
       SealedRecord("Tarvo update journal 1\r\nstate installed\r\npackage pkg.zip\r\nitem x\r\naside userdata>x\r\n")},
      {"aside of no item", SealedRecord(kHead + "aside _top.txt>top.txt\r\n")},
      {"new path that is no item", SealedRecord(kHead + "item docs\\a.txt\r\nnew top.txt\r\n")},
      {"package is an item",
       SealedRecord("Tarvo update journal 1\r\nstate installing\r\npackage top.txt\r\nitem top.txt\r\n")},
      {"a component with a trailing blank", SealedRecord(kHead + "item b \\victim.txt\r\nnew b \\victim.txt\r\n")},
      {"the pending list in another case", SealedRecord(kHead + "item TEMP\r\nnew TEMP\r\n")},
      {"the record in another case", SealedRecord(kHead + "item Update.Journal.New\r\n")},
      {"the launcher's executable", SealedRecord(kHead + "item KILL_REPAIR_TEST.EXE\r\nnew KILL_REPAIR_TEST.EXE\r\n")},
      {"line feeds only", "Tarvo update journal 1\nstate installing\npackage pkg.zip\nnew top.txt\n"},
  };
  const Tree installation = {{L"VxSpeedUp.exe", "product"},
                             {L"top.txt", "top"},
                             {L"_top.txt", "kept"},
                             {L"pkg.zip", "package"},
                             {L"temp", "_old.dll"}};
  for (const auto& c : cases) {
    TempDir outer;
    const std::wstring root = outer / L"product\\";
    ASSERT_TRUE(MakeDirectories(root));
    ASSERT_TRUE(WriteBytes(outer / L"victim.txt", "beside"));
    Lay(root, installation);
    ASSERT_TRUE(WriteBytes(root + L"update.journal", c.bytes));
    EXPECT_EQ(RepairInterruptedUpdate(Installation(root)), RepairOutcome::DamagedSetAside) << c.what;
    Tree expected = installation;
    expected[L"update.journal.damaged"] = c.bytes;
    EXPECT_EQ(Read(root), expected) << c.what << ": " << Describe(Read(root));
    EXPECT_EQ(ReadBytes(outer / L"victim.txt"), "beside") << c.what;
  }
}

// The repair against records the worker could have left, including what a
// write cut short leaves under the temporary name.
TEST(UpdateJournal, RepairActsOnlyOnWhatTheRecordSays) {
  TempDir dir;
  // A write cut short: only the temporary file, which never became the record.
  ASSERT_TRUE(WriteBytes(dir / L"update.journal.new", "Tarvo update journal 1\r\nsta"));
  ASSERT_TRUE(WriteBytes(dir / L"top.txt", "old top"));
  EXPECT_EQ(RepairInterruptedUpdate(Installation(dir.Path())), RepairOutcome::NothingRecorded);
  EXPECT_EQ(Read(dir.Path()), (Tree{{L"top.txt", "old top"}}));

  // Installing: the new top.txt goes, the old comes back, the created
  // directory goes with what is in it, the package goes; a file the record
  // does not name stays.
  Lay(dir.Path(), {{L"top.txt", "new top"},
                   {L"_top.txt", "old top"},
                   {L"docs\\a.txt", "new"},
                   {L"user.cfg", "user"},
                   {L"pkg.zip", "package"}});
  ASSERT_TRUE(WriteBytes(dir / L"update.journal",
                         SealedRecord(kHead + "item top.txt\r\nitem docs\\a.txt\r\nitem docs\\b.txt\r\nnew docs\r\n"
                                              "new docs\\a.txt\r\nnew docs\\b.txt\r\naside _top.txt>top.txt\r\n")));
  EXPECT_EQ(RepairInterruptedUpdate(Installation(dir.Path())), RepairOutcome::RolledBack);
  EXPECT_EQ(Read(dir.Path()), (Tree{{L"top.txt", "old top"}, {L"user.cfg", "user"}}));

  // Installed: the set-aside file goes, and "temp" forgets the new file's name.
  Lay(dir.Path(), {{L"_top.txt", "old top"}, {L"pkg.zip", "package"}, {L"temp", "top.txt|_gone.dll"}});
  ASSERT_TRUE(WriteBytes(dir / L"update.journal",
                         SealedRecord("Tarvo update journal 1\r\nstate installed\r\npackage pkg.zip\r\nitem top.txt\r\n"
                                      "aside _top.txt>top.txt\r\n")));
  EXPECT_EQ(RepairInterruptedUpdate(Installation(dir.Path())), RepairOutcome::Completed);
  EXPECT_EQ(Read(dir.Path()), (Tree{{L"top.txt", "old top"}, {L"user.cfg", "user"}, {L"temp", "_gone.dll"}}));
}

// A launcher directory the platform could not report whole (empty) or that
// is no full path would make every name relative to the current directory:
// neither the repair nor an installation touches anything there.
// A write of the record cut short leaves its fresh file: the next start
// removes the launcher's own and leaves another account's where it is.
TEST(UpdateJournal, TheNextStartRemovesTheFreshFilesOfACutWrite) {
  TempDir dir;
  for (const wchar_t* fresh : {L"update.journal.new", L"update.journal.new3", L"update.journal.new15"}) {
    ASSERT_TRUE(WriteBytes(dir / fresh, "cut"));
  }
  ASSERT_TRUE(WriteBytes(dir / L"update.journal.new7", "theirs"));
  ASSERT_TRUE(SetUnixMode(dir / L"update.journal.new7", "666"));
  EXPECT_EQ(RepairInterruptedUpdate(Installation(dir.Path())), RepairOutcome::NothingRecorded);
  EXPECT_EQ(Describe(Read(dir.Path())), Describe({{L"update.journal.new7", "theirs"}}));
}

TEST(UpdateJournal, NoFullDirectoryTouchesNothing) {
  TempDir dir;
  const std::string record = SealedRecord(kHead + "new top.txt\r\n");
  Lay(dir.Path(), {{L"top.txt", "top"}, {L"pkg.zip", "package"}, {L"update.journal", record}});
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryW(dir.Path().c_str()));
  for (const wchar_t* directory : {L"", L".\\", L"product\\", L"C:", L"\\"}) {
    EXPECT_EQ(RepairInterruptedUpdate(Installation(directory)), RepairOutcome::NothingRecorded) << Narrow(directory);
    EXPECT_FALSE(InstallPackage(Installation(directory), L"pkg.zip").ok()) << Narrow(directory);
  }
  ::SetCurrentDirectoryW(previous);
  EXPECT_EQ(Read(dir.Path()), (Tree{{L"top.txt", "top"}, {L"pkg.zip", "package"}, {L"update.journal", record}}));
}

}  // namespace
