// What an account that can only create files in the installation can make
// the elevated launcher do: links in the installation, a hostile "temp" or
// update record, files other accounts may write. Every row checks that
// nothing outside the installation changed and that the product is the
// installed one. Links are made as Wine sees them, with the Unix ln.
#include <windows.h>

#include <sddl.h>

#include <aclapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "base/UniqueLocalMemory.h"
#include "launcher/fs/FileAuthority.h"
#include "launcher/fs/Installation.h"
#include "launcher/fs/InstallationClaim.h"
#include "launcher/service/ProductLauncher.h"
#include "launcher/update/PendingList.h"
#include "launcher/update/SetAsideList.h"
#include "launcher/update/UpdateJournal.h"
#include "launcher/update/UpdateRepair.h"
#include "launcher/update/UpdateSession.h"
#include "tests/support/Files.h"
#include "tests/support/InstallTree.h"
#include "tests/support/SealedRecord.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixFiles.h"

using namespace Launcher;

namespace {

const Tree kOutside = {{L"core.dll", "system core"}, {L"_core.dll", "system old"}, {L"_x.dll", "x"},
                       {L"victim.txt", "outside"},   {L"tree", kDirectory},        {L"tree\\a.txt", "a"},
                       {L"list.txt", "top.txt"}};

// An empty installation "product" beside a folder "outside" that holds
// kOutside, the files no update may touch; a failure to make them fails the
// test that asked.
struct BesideOutside {
  explicit BesideOutside(const wchar_t* hint) : outer(hint) {
    EXPECT_TRUE(MakeDirectories(root) && MakeDirectories(outside));
    Lay(outside, kOutside);
  }
  TempDir outer;
  const std::wstring root = outer / L"product\\";
  const std::wstring outside = outer / L"outside\\";
};

enum class Action { Install, Pending, Repair, Defer };

struct LinkCase {
  const char* what;
  Tree before;                                               // besides the product
  std::vector<std::pair<std::wstring, std::wstring>> links;  // in the installation -> in "outside"
  Action action;
  std::string text;  // the package name, "temp" or the record
  int expected;      // InstallPackage's result or the RepairOutcome
  std::string temp;  // "temp" afterwards ("" when there is none)
  Tree kept;         // files of the installation that must be as they were
};

void RunLinkCases(const std::vector<LinkCase>& cases) {
  ASSERT_FALSE(UnixPath(L"C:\\").empty()) << "needs Wine";
  for (const LinkCase& c : cases) {
    const BesideOutside dirs(L"links");
    const std::wstring& root = dirs.root;
    const std::wstring& outside = dirs.outside;
    Lay(root, c.before);
    ASSERT_TRUE(WriteBytes(root + L"VxSpeedUp.exe", "product"));
    for (const auto& [link, target] : c.links) {
      ASSERT_TRUE(MakeUnixLink(root + link, outside + target)) << c.what << ": " << Narrow(link);
    }
    switch (c.action) {
      case Action::Install:
        ASSERT_TRUE(CopyInto(TestBinDirectory() + L"packages\\" + Widen(c.text), root + Widen(c.text)));
        EXPECT_EQ(InstallPackage(Installation(root), Widen(c.text)).ok(), c.expected != 0) << c.what;
        break;
      case Action::Pending:
        if (!c.text.empty()) {
          ASSERT_TRUE(WriteBytes(root + L"temp", c.text));
        }
        ProcessPendingDeletions(Installation(root));
        break;
      case Action::Repair:
        if (!c.text.empty()) {
          ASSERT_TRUE(WriteBytes(root + L"update.journal", c.text));
        }
        EXPECT_EQ(static_cast<int>(RepairInterruptedUpdate(Installation(root))), c.expected) << c.what;
        break;
      case Action::Defer: {
        const Installation installation(root);
        PendingList pending(installation);
        pending.Add(PendingList::Entry::Parse(Widen(c.text)));
        EXPECT_EQ(pending.Save().ok(), c.expected != 0) << c.what;
        break;
      }
    }
    EXPECT_EQ(Describe(Read(outside)), Describe(kOutside)) << c.what;
    EXPECT_EQ(ReadBytes(root + L"VxSpeedUp.exe"), "product") << c.what;
    EXPECT_EQ(ReadBytes(root + L"temp"), c.temp) << c.what;
    for (const auto& [name, bytes] : c.kept) EXPECT_EQ(ReadBytes(root + name), bytes) << c.what << ": " << Narrow(name);
  }
}

const std::string kInstalling = "Tarvo update journal 1\r\nstate installing\r\npackage pkg.zip\r\n";
const std::string kInstalled = "Tarvo update journal 1\r\nstate installed\r\npackage pkg.zip\r\n";

TEST(Confinement, UpdateRefusesItemsThroughLinks) {
  const Tree old = {{L"top.txt", "old top"}, {L"bin", kDirectory}};
  RunLinkCases({
      {"bin is a link to a folder outside",
       {{L"top.txt", "old top"}},
       {{L"bin", L""}},
       Action::Install,
       "update_2.1.7z",
       0,
       "",
       {{L"top.txt", "old top"}}},
      {"a package file is a file link",
       old,
       {{L"bin\\core.dll", L"core.dll"}},
       Action::Install,
       "update_2.1.7z",
       0,
       "",
       {{L"top.txt", "old top"}}},
      {"a new directory's name is taken by a link",
       old,
       {{L"docs", L"tree"}},
       Action::Install,
       "update_2.1.7z",
       0,
       "",
       {{L"top.txt", "old top"}}},
      // The same update without links installs: the rows above fail for the links alone.
      {"no link", old, {}, Action::Install, "update_2.1.7z", 1, "", {{L"top.txt", "new top"}}},
  });
}

TEST(Confinement, StartUpPassLeavesLinkedEntriesListed) {
  RunLinkCases({
      {"deletions through a folder link",
       {},
       {{L"bin", L""}},
       Action::Pending,
       "bin\\victim.txt|bin\\tree",
       0,
       "bin\\victim.txt|bin\\tree",
       {}},
      {"restore through a folder link",
       {},
       {{L"bin", L""}},
       Action::Pending,
       "bin\\_x.dll>bin\\x.dll",
       0,
       "bin\\_x.dll>bin\\x.dll",
       {}},
      {"deletion of a file link",
       {},
       {{L"flink.dll", L"victim.txt"}},
       Action::Pending,
       "flink.dll",
       0,
       "flink.dll",
       {}},
      // Windows looks "b " up as "b"; Wine takes it as it is. Either way it
      // is no name the launcher writes: dropped.
      {"a component with a trailing blank",
       {{L"b", kDirectory}},
       {{L"b ", L""}},
       Action::Pending,
       "b \\victim.txt|b \\tree",
       0,
       "",
       {}},
      {"temp itself is a link",
       {{L"top.txt", "top"}},
       {{L"temp", L"list.txt"}},
       Action::Pending,
       "",
       0,
       "top.txt",
       {{L"top.txt", "top"}}},
      // Nothing is written through it; the write takes the next fresh name.
      {"temp.new is a link", {}, {{L"temp.new", L"victim.txt"}}, Action::Defer, "_a.dll", 1, "_a.dll", {}},
      {"temp.new is a stale file", {{L"temp.new", "stale"}}, {}, Action::Defer, "_a.dll", 1, "_a.dll", {}},
      {"an ordinary entry still goes", {{L"_a.dll", "a"}}, {{L"bin", L""}}, Action::Pending, "_a.dll", 0, "", {}},
  });
}

TEST(Confinement, RepairLeavesLinkedRecordPathsListed) {
  const std::string core = "item bin\\core.dll\r\n";
  RunLinkCases({
      {"installing: restore through a folder link",
       {},
       {{L"bin", L""}},
       Action::Repair,
       SealedRecord(kInstalling + core + "aside bin\\_core.dll>bin\\core.dll\r\n"),
       static_cast<int>(RepairOutcome::RolledBack),
       "bin\\_core.dll>bin\\core.dll",
       {}},
      {"installing: a new path through a folder link",
       {},
       {{L"bin", L""}},
       Action::Repair,
       SealedRecord(kInstalling + core + "new bin\\core.dll\r\n"),
       static_cast<int>(RepairOutcome::RolledBack),
       "bin\\core.dll",
       {}},
      {"installed: a set-aside file through a folder link",
       {},
       {{L"bin", L""}},
       Action::Repair,
       SealedRecord(kInstalled + core + "aside bin\\_core.dll>bin\\core.dll\r\n"),
       static_cast<int>(RepairOutcome::Completed),
       "bin\\_core.dll",
       {}},
      {"a component with a trailing blank",
       {{L"b", kDirectory}},
       {{L"b ", L""}},
       Action::Repair,
       SealedRecord(kInstalling + "item b \\victim.txt\r\nnew b \\victim.txt\r\n"),
       static_cast<int>(RepairOutcome::DamagedSetAside),
       "",
       {}},
      {"the record itself is a link",
       {},
       {{L"update.journal", L"list.txt"}},
       Action::Repair,
       "",
       static_cast<int>(RepairOutcome::LeftAlone),
       "",
       {}},
  });
}

// Wine reports every file as owned by the account that runs it; the DACL it
// reports follows the Unix mode, so a file writable by all is one another
// account could have written. The owner rule is Windows' alone and is tested
// on security descriptors below.
TEST(Confinement, ListRecordAndProductOthersCanWriteAreLeftAlone) {
  const struct {
    const char* mode;
    bool secondName;  // a hard link elsewhere shows the same file under another name
    bool leftAlone;
  } cases[] = {{"644", false, false}, {"666", false, true}, {"644", true, true}};
  for (const auto& c : cases) {
    TempDir dir(L"modes");
    const std::string record = SealedRecord(kInstalled + "item top.txt\r\naside _top.txt>top.txt\r\n");
    Lay(dir.Path(), {{L"VxSpeedUp.exe", "product"}, {L"_a.dll", "a"}, {L"_top.txt", "old top"}, {L"top.txt", "new"}});
    ASSERT_TRUE(WriteBytes(dir / L"temp", "_a.dll"));
    ASSERT_TRUE(WriteBytes(dir / L"update.journal", record));
    TempDir elsewhere(L"names");
    for (const wchar_t* name : {L"temp", L"update.journal", L"VxSpeedUp.exe"}) {
      ASSERT_TRUE(SetUnixMode(dir / name, c.mode));
      if (c.secondName) {
        ASSERT_TRUE(::CreateHardLinkW((elsewhere / name).c_str(), (dir / name).c_str(), nullptr));
      }
    }
    EXPECT_EQ(IsTrustedProduct(Installation(dir.Path())), !c.leftAlone) << c.mode << c.secondName;
    EXPECT_EQ(RepairInterruptedUpdate(Installation(dir.Path())),
              c.leftAlone ? RepairOutcome::LeftAlone : RepairOutcome::Completed)
        << c.mode << c.secondName;
    ProcessPendingDeletions(Installation(dir.Path()));
    EXPECT_EQ(FileExists(dir / L"_a.dll"), c.leftAlone) << c.mode << c.secondName;
    EXPECT_EQ(FileExists(dir / L"_top.txt"), c.leftAlone) << c.mode << c.secondName;
    EXPECT_EQ(ReadBytes(dir / L"update.journal"), c.leftAlone ? record : "") << c.mode << c.secondName;
    EXPECT_EQ(ReadBytes(dir / L"temp"), c.leftAlone ? "_a.dll" : "") << c.mode << c.secondName;
    EXPECT_EQ(ReadBytes(dir / L"VxSpeedUp.exe"), "product");
  }
}

// One allowed entry of `type` that lets Users write, with the layout of a
// plain allowed entry: the rule must refuse a kind it cannot weigh before it
// reads anything past the header.
std::vector<BYTE> DescriptorWithEntry(BYTE type, std::vector<BYTE>& acl) {
  BYTE users[SECURITY_MAX_SID_SIZE];
  DWORD usersSize = sizeof users;
  ::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &usersSize);
  const DWORD aceSize = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + usersSize;
  acl.assign(sizeof(ACL) + aceSize + 16, 0);
  ::InitializeAcl(reinterpret_cast<PACL>(acl.data()), static_cast<DWORD>(acl.size()), ACL_REVISION_DS);
  std::vector<BYTE> ace(aceSize, 0);
  auto* header = reinterpret_cast<ACE_HEADER*>(ace.data());
  header->AceType = type;
  header->AceSize = static_cast<WORD>(aceSize);
  reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace.data())->Mask = FILE_WRITE_DATA;
  std::memcpy(&reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace.data())->SidStart, users, usersSize);
  ::AddAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION_DS, MAXDWORD, ace.data(), aceSize);
  std::vector<BYTE> descriptor(SECURITY_DESCRIPTOR_MIN_LENGTH);
  ::InitializeSecurityDescriptor(descriptor.data(), SECURITY_DESCRIPTOR_REVISION);
  static BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof administrators;
  ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size);
  ::SetSecurityDescriptorOwner(descriptor.data(), administrators, FALSE);
  ::SetSecurityDescriptorDacl(descriptor.data(), TRUE, reinterpret_cast<PACL>(acl.data()), FALSE);
  return descriptor;
}

TEST(FileAuthority, EntriesItCannotWeighMakeTheObjectUntrusted) {
  const struct {
    BYTE type;
    bool trusted;
  } cases[] = {
      {ACCESS_ALLOWED_ACE_TYPE, false},           // Users may write: the plain case, for contrast
      {ACCESS_DENIED_ACE_TYPE, true},             // a denial takes rights away
      {ACCESS_ALLOWED_OBJECT_ACE_TYPE, false},    // an object entry
      {ACCESS_ALLOWED_CALLBACK_ACE_TYPE, false},  // a callback entry
      {ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE, false},
  };
  for (const auto& c : cases) {
    std::vector<BYTE> acl;
    std::vector<BYTE> descriptor = DescriptorWithEntry(c.type, acl);
    EXPECT_EQ(IsAdministratorOnly(descriptor.data(), nullptr), c.trusted) << int(c.type);
  }
}

// The owner trusted besides the administrators is the one this process gives
// what it creates, never the token's user as such: on Windows the elevated
// token's owner is Administrators, and a file owned by the user was made by
// one of the account's programs without elevation.
TEST(FileAuthority, TrustsTheOwnerOfNewObjectsNotTheTokenUser) {
  TempDir dir(L"owner");
  ASSERT_TRUE(WriteBytes(dir / L"mine.txt", "x"));
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  ASSERT_EQ(::GetNamedSecurityInfoW((dir / L"mine.txt").c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                    nullptr, nullptr, nullptr, &raw),
            static_cast<DWORD>(ERROR_SUCCESS));
  UniqueLocalMemory held(raw);
  std::vector<BYTE> created = OwnerOfNewObjects();
  ASSERT_FALSE(created.empty());
  EXPECT_TRUE(::EqualSid(owner, created.data())) << "the owner of what this process creates";
  // A file owned by another account than that owner is never trusted.
  const std::string other = "O:S-1-5-21-1-2-3-1001D:(A;;FA;;;SY)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(Widen(other).c_str(), SDDL_REVISION_1, &descriptor,
                                                                     nullptr));
  UniqueLocalMemory owned(descriptor);
  EXPECT_FALSE(IsAdministratorOnly(descriptor, created.data()));
  // What the launcher writes carries entries that keep it trusted.
  Installation installation(dir.Path());
  UniqueHandle file;
  ASSERT_TRUE(installation.CreateFile(L"made.txt", GENERIC_WRITE, 0, 0, file).ok());
  file.Reset();
  EXPECT_EQ(installation.Examine(L"made.txt").standing, Installation::Standing::Trusted);
  EXPECT_EQ(installation.Examine(L"mine.txt").standing,
            Installation::Standing::Trusted);  // Wine: mode 644, owner the user
  ASSERT_TRUE(SetUnixMode(dir / L"mine.txt", "666"));
  EXPECT_EQ(installation.Examine(L"mine.txt").standing, Installation::Standing::Untrusted);
}

std::string OwnUserSid() {
  HANDLE raw = nullptr;
  EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw));
  UniqueHandle token(raw);
  BYTE buffer[256];
  DWORD size = 0;
  EXPECT_TRUE(::GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &size));
  wchar_t* text = nullptr;
  EXPECT_TRUE(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text));
  UniqueLocalMemory owned(text);
  return Narrow(text);
}

TEST(FileAuthority, OnlyAdministratorsMayOwnOrWrite) {
  const std::string own = OwnUserSid();
  const struct {
    std::string sddl;
    bool trusted;
  } cases[] = {
      {"O:BAD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)", true},
      {"O:SYD:(A;;FA;;;SY)", true},
      {"O:" + own + "D:(A;;FA;;;SY)(A;;FA;;;" + own + ")(A;;0x1200a9;;;WD)", true},  // Wine's own files
      {"O:BAD:(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)", true},
      {"O:BAD:(A;OIIO;FA;;;BU)(A;;FA;;;SY)", true},  // for children only
      {"O:BAD:(D;;FA;;;BU)(A;;FA;;;SY)", true},      // a denial
      {"O:BAD:", true},                              // nobody may touch it
      {"O:BUD:(A;;FA;;;SY)", false},                 // owned by Users
      {"O:S-1-5-21-1-2-3-1001D:(A;;FA;;;SY)", false},
      {"O:BAD:(A;;FA;;;BU)", false},
      {"O:BAD:(A;;0x2;;;WD)", false},  // write data
      {"O:BAD:(A;;0x4;;;AU)", false},  // append
      {"O:BAD:(A;;WD;;;BU)", false},   // change the DACL
      {"O:BAD:(A;;WO;;;BU)", false},   // take it over
      {"O:BAD:(A;;GW;;;BU)", false},
      {"O:BA", false},                               // no DACL: everybody may write
      {"O:" + own + "D:(A;;0x1301ff;;;WD)", false},  // Wine's file of mode 666
  };
  HANDLE raw = nullptr;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw));
  UniqueHandle token(raw);
  BYTE user[256];
  DWORD size = 0;
  ASSERT_TRUE(::GetTokenInformation(token.Get(), TokenUser, user, sizeof user, &size));
  const PSID ownSid = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
  for (const auto& c : cases) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(Widen(c.sddl).c_str(), SDDL_REVISION_1,
                                                                       &descriptor, nullptr))
        << c.sddl;
    UniqueLocalMemory owned(descriptor);
    EXPECT_EQ(IsAdministratorOnly(descriptor, ownSid), c.trusted) << c.sddl;
  }
}

// When "temp" cannot be written (a directory holds its name), the record is
// the only place that names the set-aside files: it stays, and the next start
// finishes once "temp" can be written.
TEST(Confinement, UnwritableListKeepsTheRecord) {
  const struct {
    const char* what;
    std::string record;
    const wchar_t* held;  // held open without delete sharing during the first repair
    RepairOutcome second;
    Tree after;
  } cases[] = {
      {"installed, set-aside file in use",
       SealedRecord(kInstalled + "item top.txt\r\naside _top.txt>top.txt\r\n"),
       L"_top.txt",
       RepairOutcome::Completed,
       {{L"top.txt", "new top"}}},
      {"installing, new file in use",
       SealedRecord(kInstalling + "item top.txt\r\naside _top.txt>top.txt\r\n"),
       L"top.txt",
       RepairOutcome::RolledBack,
       {{L"top.txt", "old top"}}},
  };
  for (const auto& c : cases) {
    TempDir dir(L"unwritable");
    Lay(dir.Path(), {{L"_top.txt", "old top"}, {L"top.txt", "new top"}});
    ASSERT_TRUE(::CreateDirectoryW((dir / L"temp").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(dir / L"update.journal", c.record));
    {
      UniqueHandle held(::CreateFileW((dir / c.held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(held);
      EXPECT_EQ(RepairInterruptedUpdate(Installation(dir.Path())), RepairOutcome::Unfinished) << c.what;
    }
    EXPECT_EQ(ReadBytes(dir / L"update.journal"), c.record) << c.what;
    EXPECT_TRUE(PathExists(dir / L"_top.txt") || PathExists(dir / L"top.txt")) << c.what;
    ASSERT_TRUE(::RemoveDirectoryW((dir / L"temp").c_str()));
    EXPECT_EQ(RepairInterruptedUpdate(Installation(dir.Path())), c.second) << c.what;
    EXPECT_EQ(Describe(Read(dir.Path())), Describe(c.after)) << c.what;
  }
}

// Holds one file of the installation open without delete sharing from a
// chosen step on, so that it can be neither renamed nor deleted.
class Holder : public InstallWatcher {
 public:
  Holder(std::wstring path, InstallStep at) : path_(std::move(path)), at_(at) {}
  void Reached(InstallStep step) override {
    if (step != at_ || held_) return;
    held_.Reset(::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  bool Holds() const { return static_cast<bool>(held_); }
  void Release() { held_.Reset(); }

 private:
  std::wstring path_;
  InstallStep at_;
  UniqueHandle held_;
};

// The worker's side of the same: an installation that cannot list what it
// leaves behind keeps the record, and the next start finishes from it.
TEST(Confinement, UpdateThatCannotWriteTheListKeepsTheRecord) {
  const struct {
    const char* what;
    const wchar_t* package;
    InstallStep holdAt;  // _top.txt is held from this step on
    bool installs;
    RepairOutcome next;
    std::string top;  // top.txt at the end
  } cases[] = {
      {"installed, set-aside file in use", L"update_2.1.7z", InstallStep::Extracted, true, RepairOutcome::Completed,
       "new top"},
      {"failed, set-aside file cannot go back", L"halfway.zip", InstallStep::Extracting, false,
       RepairOutcome::RolledBack, "old top"},
  };
  for (const auto& c : cases) {
    TempDir dir(L"unlisted");
    Lay(dir.Path(), {{L"VxSpeedUp.exe", "product"}, {L"top.txt", "old top"}, {L"blocked", "a file"}});
    ASSERT_TRUE(::CreateDirectoryW((dir / L"temp").c_str(), nullptr));
    ASSERT_TRUE(CopyInto(TestBinDirectory() + L"packages\\" + c.package, dir / c.package));
    Holder holder(dir / L"_top.txt", c.holdAt);
    EXPECT_EQ(InstallPackage(Installation(dir.Path()), c.package, &holder).ok(), c.installs) << c.what;
    EXPECT_TRUE(holder.Holds()) << c.what;
    holder.Release();
    EXPECT_EQ(ReadBytes(dir / L"_top.txt"), "old top") << c.what;
    EXPECT_TRUE(FileExists(dir / L"update.journal")) << c.what;
    ASSERT_TRUE(::RemoveDirectoryW((dir / L"temp").c_str()));
    EXPECT_EQ(RepairInterruptedUpdate(Installation(dir.Path())), c.next) << c.what;
    EXPECT_EQ(ReadBytes(dir / L"top.txt"), c.top) << c.what;
    EXPECT_FALSE(PathExists(dir / L"_top.txt")) << c.what;
    EXPECT_FALSE(PathExists(dir / L"update.journal")) << c.what;
    EXPECT_EQ(ReadBytes(dir / L"VxSpeedUp.exe"), "product") << c.what;
  }
}

// Another account's move at a moment of the installation: runs `act` when
// the installation reaches `at` for the first time.
class Attacker : public InstallWatcher {
 public:
  Attacker(InstallStep at, std::function<void()> act) : at_(at), act_(std::move(act)) {}
  void Reached(InstallStep step) override {
    if (step != at_ || !act_) return;
    act_();
    act_ = nullptr;
  }

 private:
  InstallStep at_;
  std::function<void()> act_;
};

// An account that may only create files in the installation, acting at a
// moment of the update: its program is never what the installation ends
// with, nothing outside changes, and an installed file it keeps from going
// back stops the product until it is back.
TEST(Confinement, AnotherAccountsMovesDuringTheUpdate) {
  const Tree old = {{L"VxSpeedUp.exe", "product"}, {L"top.txt", "old top"}, {L"bin\\core.dll", "old core"}};
  enum class Move {
    TakeEmptiedNameAndHold,
    TakeEmptiedName,
    MakeAddedDirectory,
    MakeAddedDirectoryWhileUnpacking,
    RemakeSetAsideDirectory,
    SwapDirectoryForLink,
    HardLinkAtNewName,
    SwapSetAsideTreeForLink,
    DeepSetAsideTree,
    PlantDllBesideProduct,
    PlantDllBesideProductAndHold,
  };
  const struct {
    const char* what;
    Move move;
    bool installs;
    std::string core;  // bin\core.dll at the end
    InstallStep at = InstallStep::Extracting;
    // The account's object stays where an old one must go back: the restore
    // waits (the product is not started) while it is there, and the old
    // files wait, whole, under their set-aside name.
    bool occupied = false;
  } cases[] = {
      {"the emptied name of a DLL taken and held", Move::TakeEmptiedNameAndHold, false, "old core"},
      {"the emptied name of a DLL taken", Move::TakeEmptiedName, true, "new core"},
      {"a directory the package adds made beforehand", Move::MakeAddedDirectory, true, "new core"},
      // Nothing adopted: a directory that is not there when planned, made by
      // the account before the unpacking reaches it, fails the update.
      {"a directory the package adds made while unpacking", Move::MakeAddedDirectoryWhileUnpacking, false, "old core"},
      // bin is the account's: set aside whole, then made again by it.
      {"a set-aside directory made again while unpacking", Move::RemakeSetAsideDirectory, false, "",
       InstallStep::Extracting, true},
      {"a directory swapped for a link while unpacking", Move::SwapDirectoryForLink, false, ""},
      {"a hard link to a file outside under a new file's name", Move::HardLinkAtNewName, true, "new core"},
      // top.txt is a directory here: it is set aside whole, and deleted once
      // the update is recorded as installed.
      {"a set-aside tree swapped for a link before its deletion", Move::SwapSetAsideTreeForLink, true, "new core",
       InstallStep::Committed},
      // top.txt is a directory holding a chain of directories three times
      // as deep as the removal walks: set aside whole, deleted as far as the
      // walk goes, the rest waiting in "temp"; no start crashes on it.
      {"a set-aside tree deeper than the removal walks", Move::DeepSetAsideTree, true, "new core",
       InstallStep::Committed},
      // Left before the start in a directory every account may change: the
      // start moves it aside, or, held, it stops the product.
      {"a planted DLL beside the product", Move::PlantDllBesideProduct, true, "new core"},
      {"a planted DLL beside the product, held open", Move::PlantDllBesideProductAndHold, true, "new core"},
  };
  ASSERT_FALSE(UnixPath(L"C:\\").empty()) << "needs Wine";
  for (const auto& c : cases) {
    const BesideOutside dirs(L"attacked");
    const std::wstring& root = dirs.root;
    const std::wstring& outside = dirs.outside;
    Lay(root, old);
    ASSERT_TRUE(CopyInto(TestBinDirectory() + L"packages\\update_2.1.7z", root + L"update_2.1.7z"));
    UniqueHandle held;
    // What the other account leaves is open to every account: untrusted.
    const auto plant = [&](const std::wstring& name) {
      ASSERT_TRUE(WriteBytes(root + name, "attacker"));
      ASSERT_TRUE(SetUnixMode(root + name, "666"));
    };
    if (c.move == Move::SwapSetAsideTreeForLink) {
      ASSERT_TRUE(::DeleteFileW((root + L"top.txt").c_str()));
      Lay(root, {{L"top.txt\\inner\\user.ini", "user"}});
    }
    if (c.move == Move::DeepSetAsideTree) {
      ASSERT_TRUE(::DeleteFileW((root + L"top.txt").c_str()));
      std::wstring deep = L"\\\\?\\" + root + L"top.txt";
      ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
      for (size_t level = 0; level < 3 * Installation::kMaxRemoveDepth; ++level) {
        deep += L"\\d";
        ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr)) << level;
      }
    }
    if (c.move == Move::RemakeSetAsideDirectory) {
      ASSERT_TRUE(SetUnixMode(root + L"bin", "777"));
    }
    const bool planted = c.move == Move::PlantDllBesideProduct || c.move == Move::PlantDllBesideProductAndHold;
    UniqueHandle heldBeside;
    if (planted) {
      plant(L"version.dll");
      ASSERT_TRUE(SetUnixMode(root, "777"));
      if (c.move == Move::PlantDllBesideProductAndHold) {
        heldBeside.Reset(::CreateFileW((root + L"version.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(heldBeside) << c.what;
      }
      // The start, before it changes anything else.
      const InstallationClaim claim = InstallationClaim::Make(Installation(root), L"launcher.exe");
      EXPECT_EQ(claim.ProductMayStart(), !heldBeside) << c.what;
      EXPECT_EQ(ReadBytes(root + (heldBeside ? L"version.dll" : L"moved-aside\\version.dll")), "attacker") << c.what;
    }
    if (c.move == Move::MakeAddedDirectory) {
      ASSERT_TRUE(MakeDirectories(root + L"docs"));
      ASSERT_TRUE(SetUnixMode(root + L"docs", "777"));
      plant(L"docs\\evil.dll");
    }
    Attacker attacker(c.at, [&] {
      switch (c.move) {
        case Move::TakeEmptiedNameAndHold:
          plant(L"bin\\core.dll");
          held.Reset(::CreateFileW((root + L"bin\\core.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
          break;
        case Move::TakeEmptiedName:
          plant(L"bin\\core.dll");
          break;
        case Move::SwapDirectoryForLink:
          ASSERT_TRUE(::MoveFileW((root + L"bin").c_str(), (root + L"bin.moved").c_str()));
          ASSERT_TRUE(MakeUnixLink(root + L"bin", outside + L"tree"));
          break;
        case Move::HardLinkAtNewName:
          ASSERT_TRUE(
              ::CreateHardLinkW((root + L"bin\\extra.dll").c_str(), (outside + L"victim.txt").c_str(), nullptr));
          break;
        case Move::SwapSetAsideTreeForLink:
          ASSERT_TRUE(::MoveFileW((root + L"_top.txt").c_str(), (root + L"_top.moved").c_str()));
          ASSERT_TRUE(MakeUnixLink(root + L"_top.txt", outside + L"tree"));
          break;
        case Move::MakeAddedDirectoryWhileUnpacking:
        case Move::RemakeSetAsideDirectory: {
          const std::wstring directory = c.move == Move::RemakeSetAsideDirectory ? L"bin" : L"docs";
          ASSERT_TRUE(MakeDirectories(root + directory));
          ASSERT_TRUE(SetUnixMode(root + directory, "777"));
          plant(directory + L"\\evil.dll");
          break;
        }
        case Move::MakeAddedDirectory:
        case Move::DeepSetAsideTree:
        case Move::PlantDllBesideProduct:
        case Move::PlantDllBesideProductAndHold:
          break;
      }
    });
    EXPECT_EQ(InstallPackage(Installation(root), L"update_2.1.7z", &attacker).ok(), c.installs) << c.what;
    // While the account holds the emptied name the old DLL waits in "temp",
    // and the start-up pass says so: the product is not started.
    EXPECT_EQ(ProcessPendingDeletions(Installation(root)), held || c.occupied) << c.what;
    held.Reset();
    EXPECT_EQ(ProcessPendingDeletions(Installation(root)), c.occupied) << c.what;
    if (c.occupied) {
      EXPECT_EQ(ReadBytes(root + L"_bin\\core.dll"), "old core") << c.what;
      EXPECT_EQ(ReadBytes(root + L"bin\\evil.dll"), "attacker") << c.what;
    }
    if (!c.core.empty()) {
      EXPECT_EQ(ReadBytes(root + L"bin\\core.dll"), c.core) << c.what;
    }
    EXPECT_EQ(ReadBytes(root + L"VxSpeedUp.exe"), "product") << c.what;
    EXPECT_EQ(Describe(Read(outside)), Describe(kOutside)) << c.what;
    if (c.installs) {
      // Everything the update wrote is the launcher's own, directories too.
      const Installation installation(root);
      for (const wchar_t* written : {L"bin\\core.dll", L"bin\\extra.dll", L"docs", L"docs\\readme.txt", L"top.txt"}) {
        EXPECT_EQ(installation.Examine(written).standing, Installation::Standing::Trusted)
            << c.what << " " << Narrow(written);
      }
      EXPECT_FALSE(PathExists(root + L"docs\\evil.dll")) << c.what;
    }
    if (planted) {
      // Never deleted; once nothing holds it the next start moves it aside,
      // the product may start, and the next offer installs.
      heldBeside.Reset();
      const Installation installation(root);
      const InstallationClaim next = InstallationClaim::Make(installation, L"launcher.exe");
      EXPECT_TRUE(next.ProductMayStart()) << c.what;
      EXPECT_EQ(next.directory(), InstallationClaim::Directory::AdministratorOnly) << c.what;
      EXPECT_FALSE(PathExists(root + L"version.dll")) << c.what;
      EXPECT_EQ(ReadBytes(root + L"moved-aside\\version.dll"), "attacker") << c.what;
      ASSERT_TRUE(CopyInto(TestBinDirectory() + L"packages\\update_2.1.7z", root + L"update_2.1.7z"));
      EXPECT_TRUE(InstallPackage(installation, L"update_2.1.7z").ok()) << c.what;
      EXPECT_EQ(ReadBytes(root + L"bin\\core.dll"), "new core") << c.what;
      EXPECT_EQ(Describe(Read(outside)), Describe(kOutside)) << c.what;
    }
  }
}

}  // namespace

namespace {}  // namespace
