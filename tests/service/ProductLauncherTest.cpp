#include "launcher/service/ProductLauncher.h"

#include <gtest/gtest.h>

#include "base/UniqueHandle.h"
#include "launcher/fs/InstallationClaim.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixFiles.h"

using namespace Launcher;

namespace {

TEST(ProductCommandLine, QuotesThePathAndEndsInTheOemArguments) {
  EXPECT_EQ(ProductCommandLine(L"C:\\Program Files\\Product\\"),
            L"\"C:\\Program Files\\Product\\VxSpeedUp.exe\" -show -oemid:169");
}

TEST(LaunchProduct, ProductReceivesExactlyTheCommandLine) {
  for (const wchar_t* hint : {L"plain", L"with blanks and \u4e2d\u6587"}) {
    TempDir dir(hint);
    ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_0_9.exe", dir / L"VxSpeedUp.exe"));
    ASSERT_TRUE(LaunchProduct(Installation(dir.Path())).ok());
    ASSERT_TRUE(WaitUntil([&] { return !ReadBytes(dir / L"commandline.txt").empty(); }, 20000));
    ::Sleep(100);  // let the stand-in finish writing and exit
    const std::string bytes = ReadBytes(dir / L"commandline.txt");
    const std::wstring received(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    EXPECT_EQ(received, L"\"" + dir.Path() + L"VxSpeedUp.exe\" -show -oemid:169");
  }
}

TEST(LaunchProduct, MissingProductIsNotStarted) {
  TempDir dir;
  const Status launched = LaunchProduct(Installation(dir.Path()));
  EXPECT_TRUE(launched.Is(Status::Kind::NotFound)) << launched.ToString();
}

// The run's order: the start's claim, then the product only when it allows.
// A DLL of another account's (mode 666 under Wine) beside the stand-in is
// moved aside and the stand-in starts; held open, it stays and the stand-in
// is not started (it records nothing).
TEST(LaunchProductUnlessHeld, StartsOnlyWhenNothingOfAnotherAccountsStaysBeside) {
  ASSERT_FALSE(UnixPath(L"C:\\").empty()) << "needs Wine";
  for (const bool held : {false, true}) {
    TempDir dir(L"planted");
    ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_0_9.exe", dir / L"VxSpeedUp.exe"));
    ASSERT_TRUE(WriteBytes(dir / L"version.dll", "attacker"));
    ASSERT_TRUE(SetUnixMode(dir / L"version.dll", "666"));
    ASSERT_TRUE(SetUnixMode(dir.Path(), "777"));
    UniqueHandle holder;
    if (held) {
      holder.Reset(::CreateFileW((dir / L"version.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 0, nullptr));
      ASSERT_TRUE(holder);
    }
    const Installation installation(dir.Path());
    const InstallationClaim claim = InstallationClaim::Make(installation, L"launcher.exe");
    LaunchProductUnlessHeld(installation, claim.ProductMayStart() ? ProductHold::None : ProductHold::OthersFilesBeside);
    const bool started = WaitUntil([&] { return !ReadBytes(dir / L"commandline.txt").empty(); }, held ? 3000 : 20000);
    EXPECT_EQ(started, !held);
    ::Sleep(100);  // let a started stand-in finish writing and exit
    EXPECT_EQ(ReadBytes(dir / (held ? L"version.dll" : L"moved-aside\\version.dll")), "attacker") << held;
  }
}

TEST(InstalledVersion, ReadsTheProductBesideTheLauncher) {
  TempDir dir;
  const Installation installation(dir.Path());
  EXPECT_EQ(InstalledVersion(installation), L"");
  ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_no_file_version.exe", dir / L"VxSpeedUp.exe"));
  EXPECT_EQ(InstalledVersion(installation), L"");
  ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_1_0.exe", dir / L"VxSpeedUp.exe"));
  EXPECT_EQ(InstalledVersion(installation), L"1.0.1.0");
}

}  // namespace
