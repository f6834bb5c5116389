#include "launcher/service/ProductLauncher.h"

#include <gtest/gtest.h>

#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

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
