// The whole launcher, built with the loopback HTTPS server as its version
// service, run as a real process in a scratch installation beside the
// stand-in product 1.0.0.9.
#include <gtest/gtest.h>

#include "launcher/net/HttpClient.h"
#include "tests/net/NetTestPorts.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace {

// Makes the loopback version service answer the next launchers with `reply`.
void ServeToLaunchers(const std::string& reply) {
  HttpClient client;
  ASSERT_EQ(client.Get(HttpUrl("/control/driver?case=" + reply), ""), "set") << reply;
}

// Runs the launcher in a fresh installation; true when it started the product.
bool LauncherStartsProduct(const std::string& reply) {
  ServeToLaunchers(reply);
  TempDir dir(L"loopback install");
  EXPECT_TRUE(CopyInto(TestBinDirectory() + L"launcher_loopback.exe", dir / L"launcher.exe"));
  EXPECT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_0_9.exe", dir / L"VxSpeedUp.exe"));
  ChildProcess launcher;
  EXPECT_TRUE(launcher.Start(L"\"" + dir.Path() + L"launcher.exe\"", L"", dir.Path()));
  EXPECT_EQ(launcher.Wait(60000), 0) << reply;
  // The launcher does not wait for the product; give a started one time to
  // write its command line.
  const bool started = WaitUntil([&] { return !ReadBytes(dir / L"commandline.txt").empty(); }, 3000);
  if (started) {
    ::Sleep(100);
    const std::string bytes = ReadBytes(dir / L"commandline.txt");
    const std::wstring received(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    EXPECT_EQ(received, L"\"" + dir.Path() + L"VxSpeedUp.exe\" -show -oemid:169");
  }
  return started;
}

TEST(LauncherAgainstLoopbackService, TakesTheRoadTheReplyCallsFor) {
  const struct {
    const char* reply;
    bool productStarted;
  } cases[] = {
      {"driver-equal", true},  // offered 1.0.0.9 = installed: nothing to update
      {"driver-older", true},  // offered 1.0.0.8 < installed
      {"code7", true},         // the service declines: start whatever the versions
                               // "status404" opens the "Get Data Failed!" box and a newer version the
                               // update window, which wait for the user: tests/ui/LauncherBoxTest.cpp
                               // and tests/ui/LauncherUpdateTest.cpp answer them.
  };
  for (const auto& c : cases) EXPECT_EQ(LauncherStartsProduct(c.reply), c.productStarted) << c.reply;
}

}  // namespace
