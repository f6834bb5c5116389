// The shipped launcher built against loopback version services that give no
// usable reply: the skinned "Get Data Failed!" box appears, OK ends the run
// with exit code 0 and the product is not started.
#include <gtest/gtest.h>

#include "launcher/net/HttpClient.h"
#include "tests/net/NetTestPorts.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"
#include "tests/ui/BoxProbe.h"

using namespace BoxProbe;

namespace {

struct LauncherCase {
  const char* name;
  const wchar_t* launcher;  // built against this service
  const char* reply;        // what the loopback service answers (null: not asked)
};

class LauncherBoxTest : public ::testing::TestWithParam<LauncherCase> {};

TEST_P(LauncherBoxTest, ShowsGetDataFailedAndEndsWithZeroAfterOk) {
  const LauncherCase& c = GetParam();
  if (c.reply) {
    HttpClient client;
    ASSERT_EQ(client.Get(HttpUrl(std::string("/control/driver?case=") + c.reply), ""), "set");
  }
  TempDir dir(L"failed service");
  ASSERT_TRUE(CopyInto(TestBinDirectory() + c.launcher, dir / L"launcher.exe"));
  ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_0_9.exe", dir / L"VxSpeedUp.exe"));
  ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(L"\"" + dir.Path() + L"launcher.exe\"", L"", dir.Path()));

  HWND box = WaitForBox(30000);
  ASSERT_NE(box, nullptr) << "no message box";
  auto shot = CaptureWhenPainted(box, 5000);
  ASSERT_NE(shot, nullptr) << "the box never painted its border, background and OK button";
  shot->SavePng(TestBinDirectory() + L"launcher_get_data_failed_" + Widen(c.name) + L".png");
  // OK alone, in the middle; the title row has text.
  EXPECT_EQ(Rgb(*shot, 127, 162), kOkFace);
  EXPECT_EQ(Rgb(*shot, 243, 162), kOkFace);
  EXPECT_EQ(Rgb(*shot, 260, 162), kBackground);
  int titleInk = 0;
  for (int y = 4; y < 32; ++y) {
    for (int x = 16; x < 330; ++x) titleInk += Rgb(*shot, x, y) != kBackground;
  }
  EXPECT_GT(titleInk, 20);
  // Still waiting for the user.
  EXPECT_TRUE(launcher.IsRunning());

  Click(box, 185, 162);
  EXPECT_EQ(launcher.Wait(10000), 0);
  ::Sleep(500);
  EXPECT_TRUE(ReadBytes(dir / L"commandline.txt").empty()) << "the product was started";
}

INSTANTIATE_TEST_SUITE_P(Cases, LauncherBoxTest,
                         ::testing::Values(LauncherCase{"status404", L"launcher_loopback.exe", "status404"},
                                           LauncherCase{"service_stopped", L"launcher_unreachable.exe", nullptr}),
                         [](const ::testing::TestParamInfo<LauncherCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
