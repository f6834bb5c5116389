// The start's claim on the installation (InstallationClaim) against what
// another account may have left in it: files and directories of mode 666 or
// 777 (under Wine the DACL follows the Unix mode, so that is how another
// account's object looks), one held open, a link, the names the launcher
// moves into taken first. For every row nothing outside the installation
// changes, no file of the other account's is lost (it is where the row says,
// with its bytes), and the directory is the launcher's own afterwards.
#include "launcher/fs/InstallationClaim.h"

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/fs/SystemFolders.h"
#include "tests/support/Files.h"
#include "tests/support/InstallTree.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixFiles.h"

using namespace Launcher;

namespace {

using Directory = InstallationClaim::Directory;

const Tree kOutside = {{L"victim.dll", "outside"}, {L"tree", kDirectory}, {L"tree\\a.txt", "a"}};

TEST(InstallationClaim, MovesAsideWhatAnotherAccountLeftBesideTheProduct) {
  enum class Hold { None, Held };
  const struct {
    const char* what;
    const char* rootMode;              // the directory's mode before the start
    std::vector<std::wstring> others;  // files ("…") or directories ("…\") of another account, 666 / 777
    std::vector<std::wstring> links;   // links to "outside\victim.dll"
    Hold hold;                         // the first of `others` held open without delete sharing
    Directory directory;
    std::vector<std::wstring> moved;  // MovedAside(), in listing order
    std::vector<std::wstring> stayed;
    bool mayStart;
  } cases[] = {
      {"a directory every account may change, nothing of others' in it",
       "777",
       {},
       {},
       Hold::None,
       Directory::Secured,
       {},
       {},
       true},
      {"a planted DLL beside the product",
       "777",
       {L"version.dll"},
       {},
       Hold::None,
       Directory::Secured,
       {L"moved-aside\\version.dll"},
       {},
       true},
      {"a planted DLL in a directory only administrators may change",
       "755",
       {L"version.dll"},
       {},
       Hold::None,
       Directory::AdministratorOnly,
       {L"moved-aside\\version.dll"},
       {},
       true},
      {"a planted DLL held open without delete sharing",
       "777",
       {L"version.dll"},
       {},
       Hold::Held,
       Directory::Secured,
       {},
       {L"version.dll"},
       false},
      {"a directory of another account's with a DLL in it",
       "777",
       {L"plugins\\", L"plugins\\evil.dll"},
       {},
       Hold::None,
       Directory::Secured,
       {L"moved-aside\\plugins"},
       {},
       true},
      {"a link beside the product to a DLL outside",
       "777",
       {},
       {L"winmm.dll"},
       Hold::None,
       Directory::Secured,
       {},
       {L"winmm.dll"},
       false},
      {"the folder's name taken by another account's file",
       "777",
       {L"moved-aside", L"version.dll"},
       {},
       Hold::None,
       Directory::Secured,
       {L"moved-aside.1\\moved-aside", L"moved-aside.1\\version.dll"},
       {},
       true},
      {"the product itself another account's",
       "777",
       {L"VxSpeedUp.exe"},
       {},
       Hold::None,
       Directory::Secured,
       {L"moved-aside\\VxSpeedUp.exe"},
       {},
       true},
      {"the running launcher of another account's stays",
       "777",
       {L"launcher.exe", L"version.dll"},
       {},
       Hold::None,
       Directory::Secured,
       {L"moved-aside\\version.dll"},
       {},
       true},
  };
  ASSERT_FALSE(UnixPath(L"C:\\").empty()) << "needs Wine";
  for (const auto& c : cases) {
    TempDir outer(L"claim");
    const std::wstring root = outer / L"product\\";
    const std::wstring outside = outer / L"outside\\";
    ASSERT_TRUE(MakeDirectories(root) && MakeDirectories(outside));
    Lay(outside, kOutside);
    Lay(root, {{L"VxSpeedUp.exe", "product"}, {L"bin\\core.dll", "core"}});
    Tree others;
    for (const std::wstring& name : c.others) {
      const bool directory = name.back() == L'\\';
      const std::wstring path = root + (directory ? name.substr(0, name.size() - 1) : name);
      if (directory) {
        ASSERT_TRUE(MakeDirectories(path));
      } else {
        ASSERT_TRUE(WriteBytes(path, "attacker " + Narrow(name)));
      }
      ASSERT_TRUE(SetUnixMode(path, directory ? "777" : "666")) << c.what;
      others[directory ? name.substr(0, name.size() - 1) : name] =
          directory ? std::string(kDirectory) : "attacker " + Narrow(name);
    }
    for (const std::wstring& link : c.links) ASSERT_TRUE(MakeUnixLink(root + link, outside + L"victim.dll"));
    ASSERT_TRUE(SetUnixMode(root, c.rootMode));
    UniqueHandle held;
    if (c.hold == Hold::Held) {
      held.Reset(::CreateFileW((root + c.others.front()).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(held) << c.what;
    }

    const Installation installation(root);
    const InstallationClaim claim = InstallationClaim::Make(installation, L"launcher.exe");
    EXPECT_EQ(claim.directory(), c.directory) << c.what;
    EXPECT_EQ(claim.MovedAside(), c.moved) << c.what;
    EXPECT_EQ(claim.Stayed(), c.stayed) << c.what;
    EXPECT_EQ(claim.ProductMayStart(), c.mayStart) << c.what << ": " << claim.Failure().ToString();
    EXPECT_TRUE(installation.DirectoryTrusted()) << c.what;
    // Nothing outside changed; every file of the other account's is kept,
    // with its bytes, where it was moved or where it stayed.
    EXPECT_EQ(Describe(Read(outside)), Describe(kOutside)) << c.what;
    for (const auto& [name, bytes] : others) {
      std::wstring at = name;
      for (const std::wstring& moved : c.moved) {
        const std::wstring top = name.substr(0, name.find(L'\\'));
        if (moved.size() > top.size() &&
            moved.compare(moved.size() - top.size() - 1, std::wstring::npos, L"\\" + top) == 0) {
          at = moved + name.substr(top.size());
        }
      }
      if (bytes == kDirectory) {
        EXPECT_TRUE(DirectoryExists(root + at)) << c.what << ": " << Narrow(at);
      } else {
        EXPECT_EQ(ReadBytes(root + at), bytes) << c.what << ": " << Narrow(at);
      }
      if (at != name) {
        EXPECT_FALSE(PathExists(root + name)) << c.what << ": " << Narrow(name);
      }
    }
    for (const std::wstring& moved : c.moved) {
      const std::wstring folder = moved.substr(0, moved.find(L'\\'));
      EXPECT_EQ(installation.Examine(folder).standing, Installation::Standing::Trusted) << c.what;
    }
    EXPECT_EQ(ReadBytes(root + L"bin\\core.dll"), "core") << c.what;
    held.Reset();
    // Once nothing holds it, the next start moves what stayed (a link
    // excepted), and leaves the directory as it is.
    const InstallationClaim next = InstallationClaim::Make(installation, L"launcher.exe");
    EXPECT_EQ(next.directory(), Directory::AdministratorOnly) << c.what;
    EXPECT_EQ(next.ProductMayStart(), c.links.empty()) << c.what;
  }
}

TEST(InstallationClaim, AnEarlierMovedNameIsKept) {
  TempDir dir(L"claim again");
  Lay(dir.Path(), {{L"VxSpeedUp.exe", "product"}});
  for (const char* bytes : {"first", "second", "third"}) {
    ASSERT_TRUE(WriteBytes(dir / L"version.dll", bytes));
    ASSERT_TRUE(SetUnixMode(dir / L"version.dll", "666"));
    const InstallationClaim claim = InstallationClaim::Make(Installation(dir.Path()), L"launcher.exe");
    EXPECT_TRUE(claim.ProductMayStart()) << bytes;
  }
  EXPECT_EQ(ReadBytes(dir / L"moved-aside\\version.dll"), "first");
  EXPECT_EQ(ReadBytes(dir / L"moved-aside\\version.dll.1"), "second");
  EXPECT_EQ(ReadBytes(dir / L"moved-aside\\version.dll.2"), "third");
  EXPECT_FALSE(PathExists(dir / L"version.dll"));
}

// Measured under Wine 8: the shell's folders are C:\users\<name>\... and
// C:\ProgramData; the temporary folder is C:\users\<name>\Temp.
TEST(SystemFolders, VolumeRootsAndTheSystemsAndProfilesFoldersAndThoseAbove) {
  const auto known = [](int csidl) {
    wchar_t path[MAX_PATH] = {};
    EXPECT_EQ(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path), S_OK) << csidl;
    return std::wstring(path);
  };
  const std::wstring profile = known(CSIDL_PROFILE);
  const std::wstring users = profile.substr(0, profile.rfind(L'\\'));
  for (const std::wstring& folder :
       {std::wstring(L"C:\\"), std::wstring(L"Z:\\"), known(CSIDL_WINDOWS) + L"\\", known(CSIDL_SYSTEM),
        known(CSIDL_PROGRAM_FILES), known(CSIDL_COMMON_APPDATA) + L"\\", users, profile, known(CSIDL_PERSONAL),
        known(CSIDL_LOCAL_APPDATA), known(CSIDL_APPDATA), known(CSIDL_DESKTOPDIRECTORY) + L"\\", profile + L"\\AppData",
        profile + L"\\Downloads", profile + L"\\Saved Games\\"}) {
    EXPECT_TRUE(IsSystemOrProfileFolder(folder)) << Narrow(folder);
  }
  TempDir dir(L"not a system folder");
  for (const std::wstring& folder : {known(CSIDL_PROGRAM_FILES) + L"\\Tarvo\\", known(CSIDL_PERSONAL) + L"\\Tarvo",
                                     known(CSIDL_LOCAL_APPDATA) + L"\\Tarvo\\", dir.Path()}) {
    EXPECT_FALSE(IsSystemOrProfileFolder(folder)) << Narrow(folder);
  }
}

// A profile folder every account may change is left as it is: nothing is
// moved and its DACL stays; another account's file there keeps the product
// from starting.
TEST(InstallationClaim, LeavesAProfileFolderAsItIs) {
  wchar_t music[MAX_PATH] = {};
  ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_MYMUSIC | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, music), S_OK);
  const std::wstring root = std::wstring(music) + L"\\";
  // The prefix's own Music folder: put back however the test ends.
  struct PutBack {
    std::wstring root;
    ~PutBack() {
      SetUnixMode(root, "755");
      ::DeleteFileW((root + L"version.dll").c_str());
      ::DeleteFileW((root + L"VxSpeedUp.exe").c_str());
    }
  } putBack{root};
  ASSERT_TRUE(WriteBytes(root + L"VxSpeedUp.exe", "product"));
  ASSERT_TRUE(WriteBytes(root + L"version.dll", "attacker"));
  ASSERT_TRUE(SetUnixMode(root + L"version.dll", "666"));
  ASSERT_TRUE(SetUnixMode(root, "777"));
  {
    const Installation installation(root);
    const InstallationClaim claim = InstallationClaim::Make(installation, L"launcher.exe");
    EXPECT_EQ(claim.directory(), Directory::SystemFolder);
    EXPECT_TRUE(claim.MovedAside().empty());
    EXPECT_EQ(claim.Stayed(), std::vector<std::wstring>{L"version.dll"});
    EXPECT_FALSE(claim.ProductMayStart());
    EXPECT_FALSE(installation.DirectoryTrusted());
  }
  EXPECT_EQ(ReadBytes(root + L"version.dll"), "attacker");
  EXPECT_FALSE(PathExists(root + L"moved-aside"));
}

}  // namespace
