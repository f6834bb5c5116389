#include "launcher/UpdateDriver.h"

#include <gtest/gtest.h>

#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace {

VersionReply Reply(bool succeeded, int code, const wchar_t* latest) {
  VersionReply reply;
  reply.requestSucceeded = succeeded;
  reply.code = code;
  reply.latestVersion = latest;
  return reply;
}

TEST(ChooseRoad, FirstMatchWins) {
  const struct {
    VersionReply reply;
    const wchar_t* installed;
    Road road;
  } cases[] = {
      {Reply(false, 0, L""), L"1.0.0.0", Road::ReportServiceFailure},
      {Reply(false, 0, L"9.0.0.0"), L"", Road::ReportServiceFailure},
      {Reply(true, 1, L"9.0.0.0"), L"1.0.0.0", Road::StartProduct},  // the service declines
      {Reply(true, 7, L""), L"", Road::StartProduct},                // whatever the versions
      {Reply(true, -1, L""), L"", Road::StartProduct},
      {Reply(true, 0, L"1.0.0.10"), L"1.0.0.9", Road::OpenUpdateWindow},
      {Reply(true, 0, L"1.0.0.10"), L"1.0.1.0", Road::StartProduct},
      {Reply(true, 0, L"1.0.0.10"), L"1.0.0.10", Road::StartProduct},
      {Reply(true, 0, L"1.0.0.10"), L"", Road::OpenUpdateWindow},  // fresh install
      {Reply(true, 0, L""), L"1.0.0.9", Road::OpenUpdateWindow},   // unreadable reply, empty object
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseRoad(c.reply, c.installed), c.road)
        << "code " << c.reply.code << " latest '" << Narrow(c.reply.latestVersion) << "' installed '"
        << Narrow(c.installed) << "'";
  }
}

TEST(ProductCommandLine, QuotesThePathAndEndsInTheOemArguments) {
  EXPECT_EQ(ProductCommandLine(L"C:\\Program Files\\Product\\"),
            L"\"C:\\Program Files\\Product\\VxSpeedUp.exe\" -show -oemid:169");
}

TEST(LaunchProduct, ProductReceivesExactlyTheCommandLine) {
  for (const wchar_t* hint : {L"plain", L"with blanks and \u4e2d\u6587"}) {
    TempDir dir(hint);
    ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_0_9.exe", dir / L"VxSpeedUp.exe"));
    ASSERT_TRUE(LaunchProduct(dir.Path()));
    ASSERT_TRUE(WaitUntil([&] { return !ReadBytes(dir / L"commandline.txt").empty(); }, 20000));
    ::Sleep(100);  // let the stand-in finish writing and exit
    const std::string bytes = ReadBytes(dir / L"commandline.txt");
    const std::wstring received(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    EXPECT_EQ(received, L"\"" + dir.Path() + L"VxSpeedUp.exe\" -show -oemid:169");
  }
}

TEST(LaunchProduct, MissingProductIsNotStarted) {
  TempDir dir;
  EXPECT_FALSE(LaunchProduct(dir.Path()));
}

TEST(InstalledVersion, ReadsTheProductBesideTheLauncher) {
  TempDir dir;
  EXPECT_EQ(InstalledVersion(dir.Path()), L"");
  ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_no_file_version.exe", dir / L"VxSpeedUp.exe"));
  EXPECT_EQ(InstalledVersion(dir.Path()), L"");
  ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_1_0.exe", dir / L"VxSpeedUp.exe"));
  EXPECT_EQ(InstalledVersion(dir.Path()), L"1.0.1.0");
}

}  // namespace
