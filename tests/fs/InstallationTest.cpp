// The installation's gate on its own: every step it offers against what an
// installation may hold (plain files and directories, another account's
// objects, second names, links at each depth, deep trees, files held open),
// with links made as Wine sees them (Unix links from the test). For every
// row, the folder beside the installation that the links reach is unchanged,
// down to its last write time: nothing is made there, not even for a moment.
#include "launcher/fs/Installation.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/UniqueHandle.h"
#include "tests/support/Files.h"
#include "tests/support/InstallTree.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixFiles.h"

using namespace Launcher;

namespace {

using Standing = Installation::Standing;
using Kind = Status::Kind;

enum class Op {
  Examine,
  ReadTrusted,
  CreateFile,
  CreateFileIn,
  CreateDirectory,
  Move,
  MoveReplacing,
  Remove,
  ReplaceDurably
};

constexpr char kAbsent[] = "<absent>";

struct Row {
  const char* what;
  Tree before;                                                   // in the installation
  std::vector<std::pair<const wchar_t*, const wchar_t*>> links;  // installation path -> path beside it
  std::vector<const wchar_t*> others;                            // made by another account (mode 666 / 777)
  Op op;
  const wchar_t* path;
  const wchar_t* second = L"";  // Move's target; a hard link's first name for "second name" rows
  Kind kind = Kind::Ok;         // what the step answers (Examine: unused)
  Standing standing = Standing::Missing;
  bool directory = false;
  Tree after = {};                // paths that must hold these bytes (kDirectory, kAbsent) afterwards
  const wchar_t* held = nullptr;  // a file held open without delete sharing during the step
};

const Tree kBeside = {{L"b", kDirectory}, {L"b\\there.txt", "beside"}, {L"victim.txt", "victim"}};

std::vector<Row> Rows() {
  const Tree base = {{L"a.txt", "a"}, {L"bin", kDirectory}, {L"bin\\core.dll", "core"}};
  // clang-format off: one row a line
  std::vector<Row> rows = {
      // What stands where.
      {"a plain file", base, {}, {}, Op::Examine, L"a.txt", L"", Kind::Ok, Standing::Trusted},
      {"a plain directory", base, {}, {}, Op::Examine, L"bin", L"", Kind::Ok, Standing::Trusted, true},
      {"letter case aside", base, {}, {}, Op::Examine, L"BIN\\CORE.DLL", L"", Kind::Ok, Standing::Trusted},
      {"nothing", base, {}, {}, Op::Examine, L"new.txt"},
      {"nothing, nor its directory", base, {}, {}, Op::Examine, L"new\\new.txt"},
      {"below a file", base, {}, {}, Op::Examine, L"a.txt\\below.txt"},
      {"another account's file", base, {}, {L"a.txt"}, Op::Examine, L"a.txt", L"", Kind::Ok, Standing::Untrusted},
      {"another account's directory", base, {}, {L"bin"}, Op::Examine, L"bin", L"", Kind::Ok, Standing::Untrusted, true},
      {"a second name of a file", base, {}, {}, Op::Examine, L"twin.txt", L"a.txt", Kind::Ok, Standing::Untrusted},
      {"a file link", base, {{L"link.txt", L"victim.txt"}}, {}, Op::Examine, L"link.txt", L"", Kind::Ok, Standing::Elsewhere},
      {"a directory link", base, {{L"top", L"b"}}, {}, Op::Examine, L"top", L"", Kind::Ok, Standing::Elsewhere},
      {"a file through a directory link", base, {{L"top", L"b"}}, {}, Op::Examine, L"top\\there.txt", L"", Kind::Ok, Standing::Elsewhere},
      {"a link deep down", base, {{L"bin\\mid", L"b"}}, {}, Op::Examine, L"bin\\mid\\there.txt", L"", Kind::Ok, Standing::Elsewhere},
      {"no name through a link", base, {{L"top", L"b"}}, {}, Op::Examine, L"top\\new.txt"},
      {"a name that leaves", base, {}, {}, Op::Examine, L"..\\victim.txt", L"", Kind::Ok, Standing::Elsewhere},

      // Reading the launcher's own files.
      {"read a trusted file", base, {}, {}, Op::ReadTrusted, L"a.txt"},
      {"read another account's file", base, {}, {L"a.txt"}, Op::ReadTrusted, L"a.txt", L"", Kind::Refused},
      {"read through a link", base, {{L"link.txt", L"victim.txt"}}, {}, Op::ReadTrusted, L"link.txt", L"", Kind::LeadsElsewhere},
      {"read a file beyond the bound", {{L"big.txt", std::string(5000, 'x')}}, {}, {}, Op::ReadTrusted, L"big.txt", L"", Kind::Refused},

      // Making files and directories: new only, and only where the name says.
      {"a new file", base, {}, {}, Op::CreateFile, L"bin\\new.dll", L"", Kind::Ok, Standing::Missing, false, {{L"bin\\new.dll", ""}}},
      {"a file over one that exists", base, {}, {}, Op::CreateFile, L"a.txt", L"", Kind::Platform, Standing::Missing, false, {{L"a.txt", "a"}}},
      {"a file in no directory", base, {}, {}, Op::CreateFile, L"new\\new.dll", L"", Kind::NotFound},
      {"a file through a directory link", base, {{L"top", L"b"}}, {}, Op::CreateFile, L"top\\made", L"", Kind::LeadsElsewhere},
      {"a file through a link deep down", base, {{L"bin\\mid", L"."}}, {}, Op::CreateFile, L"bin\\mid\\made", L"", Kind::LeadsElsewhere},
      {"a file named outside", base, {}, {}, Op::CreateFile, L"..\\made", L"", Kind::Refused},
      // The same in a directory held for a run of creations: the hold checks
      // the directory (kind, link, trust) once, each creation is made in it.
      {"a new file in a held directory", base, {}, {}, Op::CreateFileIn, L"bin\\new.dll", L"", Kind::Ok, Standing::Missing, false, {{L"bin\\new.dll", ""}}},
      {"a held file over one that exists", base, {}, {}, Op::CreateFileIn, L"a.txt", L"", Kind::Platform, Standing::Missing, false, {{L"a.txt", "a"}}},
      {"a held file over a link", base, {{L"link.txt", L"victim.txt"}}, {}, Op::CreateFileIn, L"link.txt", L"", Kind::Platform},
      {"held: another account's directory", base, {}, {L"bin"}, Op::CreateFileIn, L"bin\\new.dll", L"", Kind::Refused, Standing::Missing, false, {{L"bin\\new.dll", kAbsent}}},
      {"held: a directory link", base, {{L"top", L"b"}}, {}, Op::CreateFileIn, L"top\\made", L"", Kind::LeadsElsewhere},
      {"held: a file", base, {}, {}, Op::CreateFileIn, L"a.txt\\made", L"", Kind::Refused},
      {"held: nothing", base, {}, {}, Op::CreateFileIn, L"new\\made", L"", Kind::NotFound},
      {"a new directory", base, {}, {}, Op::CreateDirectory, L"bin\\plugins", L"", Kind::Ok, Standing::Missing, false, {{L"bin\\plugins", kDirectory}}},
      {"a directory that exists", base, {}, {}, Op::CreateDirectory, L"bin", L"", Kind::Platform},
      {"a directory through a link", base, {{L"top", L"b"}}, {}, Op::CreateDirectory, L"top\\made", L"", Kind::LeadsElsewhere},

      // Renames within one directory.
      {"a set-aside move", base, {}, {}, Op::Move, L"bin\\core.dll", L"bin\\_core.dll", Kind::Ok, Standing::Missing, false, {{L"bin\\core.dll", kAbsent}, {L"bin\\_core.dll", "core"}}},
      {"onto a trusted file", {{L"a.txt", "a"}, {L"b.txt", "b"}}, {}, {}, Op::MoveReplacing, L"a.txt", L"b.txt", Kind::Platform, Standing::Missing, false, {{L"a.txt", "a"}, {L"b.txt", "b"}}},
      {"onto another account's file, kept", {{L"a.txt", "a"}, {L"b.txt", "b"}}, {}, {L"b.txt"}, Op::Move, L"a.txt", L"b.txt", Kind::Platform, Standing::Missing, false, {{L"a.txt", "a"}, {L"b.txt", "b"}}},
      {"onto another account's file, replaced", {{L"a.txt", "a"}, {L"b.txt", "b"}}, {}, {L"b.txt"}, Op::MoveReplacing, L"a.txt", L"b.txt", Kind::Ok, Standing::Missing, false, {{L"a.txt", kAbsent}, {L"b.txt", "a"}}},
      {"onto another account's directory", {{L"a.txt", "a"}, {L"d", kDirectory}}, {}, {L"d"}, Op::MoveReplacing, L"a.txt", L"d", Kind::Platform, Standing::Missing, false, {{L"a.txt", "a"}, {L"d", kDirectory}}},
      {"a link moved", base, {{L"link.txt", L"victim.txt"}}, {}, Op::Move, L"link.txt", L"_link.txt", Kind::LeadsElsewhere},
      {"onto a link", base, {{L"link.txt", L"victim.txt"}}, {}, Op::MoveReplacing, L"a.txt", L"link.txt", Kind::LeadsElsewhere, Standing::Missing, false, {{L"a.txt", "a"}}},
      {"into another directory", base, {}, {}, Op::Move, L"a.txt", L"bin\\a.txt", Kind::Refused},

      // Removal, through handles, never entering a link.
      {"a file", base, {}, {}, Op::Remove, L"a.txt", L"", Kind::Ok, Standing::Missing, false, {{L"a.txt", kAbsent}}},
      {"nothing", base, {}, {}, Op::Remove, L"new.txt"},
      {"a tree", base, {}, {}, Op::Remove, L"bin", L"", Kind::Ok, Standing::Missing, false, {{L"bin", kAbsent}}},
      {"a tree holding a link", base, {{L"bin\\mid", L"b"}}, {}, Op::Remove, L"bin", L"", Kind::LeadsElsewhere, Standing::Missing, false, {{L"bin\\core.dll", kAbsent}, {L"bin", kDirectory}}},
      {"a link itself", base, {{L"top", L"b"}}, {}, Op::Remove, L"top", L"", Kind::LeadsElsewhere},
      {"a file held open", base, {}, {}, Op::Remove, L"bin", L"", Kind::Platform, Standing::Missing, false, {{L"bin\\core.dll", "core"}}, L"bin\\core.dll"},

      // Replacing a record: whole or not at all.
      {"a new record", {}, {}, {}, Op::ReplaceDurably, L"temp", L"", Kind::Ok, Standing::Missing, false, {{L"temp", "new"}, {L"temp.new", kAbsent}}},
      {"over another account's record", {{L"temp", "theirs"}}, {}, {L"temp"}, Op::ReplaceDurably, L"temp", L"", Kind::Ok, Standing::Missing, false, {{L"temp", "new"}}},
      {"a directory under the name", {{L"temp", kDirectory}}, {}, {}, Op::ReplaceDurably, L"temp", L"", Kind::Platform, Standing::Missing, false, {{L"temp", kDirectory}, {L"temp.new", kAbsent}}},
      {"a link under the name", {}, {{L"temp", L"victim.txt"}}, {}, Op::ReplaceDurably, L"temp", L"", Kind::LeadsElsewhere, Standing::Missing, false, {{L"temp.new", kAbsent}}},
      {"a link under the fresh name", {}, {{L"temp.new", L"victim.txt"}}, {}, Op::ReplaceDurably, L"temp", L"", Kind::Ok, Standing::Missing, false, {{L"temp", "new"}, {L"temp.new1", kAbsent}}},
      {"another account's fresh name", {{L"temp.new", "theirs"}}, {}, {L"temp.new"}, Op::ReplaceDurably, L"temp", L"", Kind::Ok, Standing::Missing, false, {{L"temp", "new"}, {L"temp.new", "theirs"}}},
  };
  // clang-format on
  // A tree one level deeper than the walk goes: what lies below the limit
  // stays, with the directories above it; one level less goes whole.
  for (const size_t levels : {Installation::kMaxRemoveDepth + 1, Installation::kMaxRemoveDepth}) {
    std::wstring deep = L"deep";
    Tree tree = {{deep, kDirectory}};
    for (size_t level = 0; level < levels; ++level) deep += L"\\d";
    tree[deep + L"\\bottom.txt"] = "bottom";
    const bool tooDeep = levels > Installation::kMaxRemoveDepth;
    rows.push_back({tooDeep ? "a tree deeper than the walk" : "a tree as deep as the walk",
                    tree,
                    {},
                    {},
                    Op::Remove,
                    L"deep",
                    L"",
                    tooDeep ? Kind::Refused : Kind::Ok,
                    Standing::Missing,
                    false,
                    {{L"deep", tooDeep ? kDirectory : kAbsent}}});
  }
  return rows;
}

std::string LastWrite(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return "?";
  return std::to_string(data.ftLastWriteTime.dwHighDateTime) + ":" + std::to_string(data.ftLastWriteTime.dwLowDateTime);
}

std::string Content(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return kAbsent;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kDirectory;
  return ReadBytes(path);
}

TEST(Installation, EveryStepStaysInsideAndActsOnlyOnWhatTheNameSays) {
  ASSERT_FALSE(UnixPath(L"C:\\").empty()) << "needs Wine";
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.what);
    TempDir outer(L"gate");
    const std::wstring root = outer / L"product\\";
    const std::wstring beside = outer / L"beside\\";
    ASSERT_TRUE(MakeDirectories(root) && MakeDirectories(beside));
    Lay(beside, kBeside);
    Lay(root, row.before);
    for (const auto& [link, target] : row.links) ASSERT_TRUE(MakeUnixLink(root + link, beside + target));
    if (row.op == Op::Examine && std::wstring(row.second).size() > 0) {
      ASSERT_TRUE(::CreateHardLinkW((root + row.path).c_str(), (root + row.second).c_str(), nullptr));
    }
    // Modes last: a directory of mode 777 made first would not keep it.
    for (const wchar_t* other : row.others) {
      ASSERT_TRUE(SetUnixMode(root + other, Content(root + other) == kDirectory ? "777" : "666"));
    }
    const std::string besideTree = Describe(Read(beside));
    const std::string besideWrites = LastWrite(beside) + " " + LastWrite(beside + L"b");
    ::Sleep(20);
    UniqueHandle held;
    if (row.held) {
      held.Reset(
          ::CreateFileW((root + row.held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(held);
    }

    const Installation installation(root);
    ASSERT_TRUE(installation.Valid());
    Status status;
    UniqueHandle made;
    std::string read;
    switch (row.op) {
      case Op::Examine: {
        const Installation::Examined found = installation.Examine(row.path);
        EXPECT_EQ(found.standing, row.standing);
        EXPECT_EQ(found.directory, row.directory);
        break;
      }
      case Op::ReadTrusted:
        status = installation.ReadTrusted(row.path, 4096, read);
        break;
      case Op::CreateFile:
        status = installation.CreateFile(row.path, GENERIC_WRITE, 0, 0, made);
        EXPECT_EQ(static_cast<bool>(made), status.ok());
        break;
      case Op::CreateFileIn: {
        const std::wstring path = row.path;
        const size_t separator = path.find_last_of(L'\\');
        HeldDirectory directory;
        status = installation.Hold(separator == std::wstring::npos ? L"" : path.substr(0, separator), directory);
        EXPECT_EQ(directory.Holds(), status.ok());
        if (status.ok())
          status = installation.CreateFileIn(directory, path.substr(separator + 1), GENERIC_WRITE, 0, made);
        EXPECT_EQ(static_cast<bool>(made), status.ok());
        break;
      }
      case Op::CreateDirectory:
        status = installation.CreateDirectory(row.path);
        break;
      case Op::Move:
      case Op::MoveReplacing:
        status = installation.Move(
            row.path, row.second,
            row.op == Op::Move ? Installation::Occupant::Keep : Installation::Occupant::ReplaceUntrusted);
        break;
      case Op::Remove:
        status = installation.Remove(row.path);
        break;
      case Op::ReplaceDurably:
        status = installation.ReplaceDurably(row.path, "new");
        break;
    }
    made.Reset();
    held.Reset();
    EXPECT_EQ(status.kind(), row.kind) << status.ToString();
    if (row.op == Op::ReadTrusted && status.ok()) {
      EXPECT_EQ(read, row.before.at(row.path));
    }
    for (const auto& [path, bytes] : row.after) EXPECT_EQ(Content(root + path), bytes) << Narrow(path);
    EXPECT_EQ(Describe(Read(beside)), besideTree);
    EXPECT_EQ(LastWrite(beside) + " " + LastWrite(beside + L"b"), besideWrites);
  }
}

// Without a full directory every name would be taken relative to the current
// directory: such an installation is not valid and no step acts.
TEST(Installation, NoFullDirectoryActsNowhere) {
  for (const wchar_t* directory : {L"", L".\\", L"product\\", L"C:", L"\\"}) {
    const Installation installation(directory);
    EXPECT_FALSE(installation.Valid()) << Narrow(directory);
    EXPECT_EQ(installation.Examine(L"a.txt").standing, Standing::Elsewhere) << Narrow(directory);
    EXPECT_FALSE(installation.Remove(L"a.txt").ok()) << Narrow(directory);
  }
}

}  // namespace
