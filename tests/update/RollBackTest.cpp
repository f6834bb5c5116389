#include "launcher/update/PendingList.h"
#include "launcher/update/RollBack.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/fs/Installation.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixFiles.h"

using namespace Launcher;

namespace {

// What a row's installation holds: a file with its bytes, or a directory
// (bytes nullptr); `others` makes it writable by every account (mode 666 or
// 777), which Wine reports as another account's object.
struct Object {
  const wchar_t* path;
  const char* bytes;
  bool others = false;
};

// The one rollback, on the state an update leaves at the point it failed or
// was killed. `after` lists what must stand afterwards (bytes nullptr: must be
// gone); `temp` is what the start-up pass is left with ("" for no file).
TEST(RollBack, PutsBackWhatTheRecordMovedAndLeavesOtherAccountsObjectsAlone) {
  const struct {
    const char* what;
    std::vector<Object> before;
    std::vector<std::wstring> created;
    std::vector<SetAsideList::Entry> setAside;
    const wchar_t* held;  // opened without sharing during the rollback
    std::vector<Object> after;
    const char* temp;
    RecordKind kind = RecordKind::Planned;
  } rows[] = {
      {"nested set-asides come back newest first over what the extraction wrote",
       {{L"_bin", nullptr},
        {L"_bin\\__core.dll", "core"},
        {L"_bin\\_core.dll", "older"},
        {L"_VxSpeedUp.exe", "product"},
        {L"bin", nullptr},
        {L"bin\\core.dll", "new"},
        {L"VxSpeedUp.exe", "new"}},
       {L"bin", L"bin\\core.dll"},
       {{L"bin\\core.dll", L"bin\\__core.dll"}, {L"bin", L"_bin"}, {L"VxSpeedUp.exe", L"_VxSpeedUp.exe"}},
       nullptr,
       {{L"bin\\core.dll", "core"},
        {L"bin\\_core.dll", "older"},
        {L"VxSpeedUp.exe", "product"},
        {L"_bin", nullptr},
        {L"_VxSpeedUp.exe", nullptr}},
       ""},
      {"another account's file under a set-aside name never replaces the installed file",
       {{L"a.dll", "installed"}, {L"_a.dll", "planted", true}},
       {},
       {{L"a.dll", L"_a.dll"}},
       nullptr,
       {{L"a.dll", "installed"}, {L"_a.dll", "planted"}},
       ""},
      {"the worker's own move of another account's file goes back over what it wrote",
       {{L"a.dll", "new"}, {L"_a.dll", "installed", true}},
       {},
       {{L"a.dll", L"_a.dll"}},
       nullptr,
       {{L"a.dll", "installed"}, {L"_a.dll", nullptr}},
       "",
       RecordKind::Done},
      {"a new path inside another account's directory that never moved is the installed file",
       {{L"bin", nullptr, true}, {L"bin\\core.dll", "installed"}},
       {L"bin", L"bin\\core.dll"},
       {{L"bin", L"_bin"}},
       nullptr,
       {{L"bin\\core.dll", "installed"}},
       ""},
      {"another account's file under a new name stays its own, unlisted",
       {{L"new.dll", "planted", true}},
       {L"new.dll"},
       {},
       nullptr,
       {{L"new.dll", "planted"}},
       ""},
      {"another account's file under an emptied name gives way",
       {{L"_a.dll", "installed"}, {L"a.dll", "planted", true}},
       {},
       {{L"a.dll", L"_a.dll"}},
       nullptr,
       {{L"a.dll", "installed"}, {L"_a.dll", nullptr}},
       ""},
      {"another account's directory set aside whole comes back whole",
       {{L"_docs", nullptr, true}, {L"_docs\\x.txt", "theirs", true}, {L"docs", nullptr}, {L"docs\\x.txt", "new"}},
       {L"docs", L"docs\\x.txt"},
       {{L"docs", L"_docs"}},
       nullptr,
       {{L"docs\\x.txt", "theirs"}, {L"_docs", nullptr}},
       ""},
      {"what was set aside inside a directory that cannot go back waits for it",
       {{L"_bin", nullptr}, {L"_bin\\__core.dll", "core"}, {L"bin", "new"}},
       {L"bin"},
       {{L"bin\\core.dll", L"bin\\__core.dll"}, {L"bin", L"_bin"}},
       L"bin",
       {{L"bin", "new"}, {L"_bin\\__core.dll", "core"}},
       "bin|_bin>bin|bin\\__core.dll>bin\\core.dll"},
      {"a file held where the installed one goes back leaves both for the next start",
       {{L"_a.dll", "installed"}, {L"a.dll", "new"}},
       {},
       {{L"a.dll", L"_a.dll"}},
       L"a.dll",
       {{L"a.dll", "new"}, {L"_a.dll", "installed"}},
       "a.dll|_a.dll>a.dll"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    for (const Object& object : row.before) {
      ASSERT_TRUE(object.bytes ? WriteBytes(dir / object.path, object.bytes) : MakeDirectories(dir / object.path));
    }
    // Modes last: a directory of mode 777 made first would not change that.
    for (const Object& object : row.before) {
      if (!object.others) continue;
      ASSERT_TRUE(SetUnixMode(dir / object.path, object.bytes ? "666" : "777"));
    }
    UpdateJournal::Record record;
    record.created = row.created;
    record.setAside = row.setAside;
    UniqueHandle held;
    if (row.held) {
      held.Reset(::CreateFileW((dir / row.held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(held);
    }
    {
      const Installation installation(dir.Path());
      PendingList pending(installation);
      RollBack(installation, record, row.kind, pending);
      EXPECT_TRUE(pending.Save().ok());
    }
    held.Reset();
    for (const Object& object : row.after) {
      if (object.bytes) {
        EXPECT_EQ(ReadBytes(dir / object.path), object.bytes) << Narrow(object.path);
      } else {
        EXPECT_EQ(::GetFileAttributesW((dir / object.path).c_str()), INVALID_FILE_ATTRIBUTES) << Narrow(object.path);
      }
    }
    EXPECT_EQ(ReadBytes(dir / L"temp"), row.temp);
  }
}

}  // namespace
