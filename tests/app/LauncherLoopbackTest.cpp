// The whole launcher, built with the loopback HTTPS server as its version
// service, run as a real process in a scratch installation beside the
// stand-in product 1.0.0.9, from a plain directory and from one whose path
// holds Chinese characters and blanks, with a `temp` list naming such files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/net/HttpClient.h"
#include "tests/net/NetTestPorts.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/SealedRecord.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixFiles.h"

using namespace Launcher;

namespace {

// Makes the loopback version service answer the next launchers with `reply`.
void ServeToLaunchers(const std::string& reply) {
  HttpClient client;
  ASSERT_EQ(client.Get(HttpUrl("/control/driver?case=" + reply), ""), "set") << reply;
}

// `name` in the byte form of `temp`: a character above 0xFF as "<" four
// hexadecimal digits ">".
std::string TempEntry(const std::wstring& name) {
  std::string bytes;
  for (const wchar_t c : name) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "<%04x>", static_cast<unsigned>(c));
    bytes += static_cast<unsigned>(c) <= 0xFF ? std::string(1, static_cast<char>(c)) : std::string(escaped);
  }
  return bytes;
}

// Runs the launcher in a fresh installation at `place` below a scratch
// directory, with a `temp` list of files an earlier update left; true when it
// started the product. Whatever the road, the listed files are dealt with.
bool LauncherStartsProduct(const std::string& reply, const std::wstring& place) {
  ServeToLaunchers(reply);
  TempDir scratch(L"loopback install");
  const std::wstring dir = scratch.Path() + place;
  EXPECT_TRUE(MakeDirectories(dir + L"插件"));
  EXPECT_TRUE(CopyInto(TestBinDirectory() + L"launcher_loopback.exe", dir + L"launcher.exe"));
  EXPECT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_0_9.exe", dir + L"VxSpeedUp.exe"));
  EXPECT_TRUE(WriteBytes(dir + L"插件\\_加速 核心.dll", "core"));
  EXPECT_TRUE(WriteBytes(dir + L"旧 日志.txt", "stale"));
  EXPECT_TRUE(WriteBytes(dir + L"保留 文件.txt", "user"));
  EXPECT_TRUE(WriteBytes(dir + L"temp", TempEntry(L"旧 日志.txt|插件\\_加速 核心.dll>插件\\加速 核心.dll")));
  ChildProcess launcher;
  EXPECT_TRUE(launcher.Start(L"\"" + dir + L"launcher.exe\"", L"", dir));
  EXPECT_EQ(launcher.Wait(60000), 0) << reply;
  EXPECT_FALSE(PathExists(dir + L"旧 日志.txt")) << reply;
  EXPECT_EQ(ReadBytes(dir + L"插件\\加速 核心.dll"), "core") << reply;
  EXPECT_FALSE(PathExists(dir + L"插件\\_加速 核心.dll")) << reply;
  EXPECT_EQ(ReadBytes(dir + L"保留 文件.txt"), "user") << reply;
  EXPECT_FALSE(PathExists(dir + L"temp")) << reply;
  // The launcher does not wait for the product; give a started one time to
  // write its command line.
  const bool started = WaitUntil([&] { return !ReadBytes(dir + L"commandline.txt").empty(); }, 3000);
  if (started) {
    ::Sleep(100);
    const std::string bytes = ReadBytes(dir + L"commandline.txt");
    const std::wstring received(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    EXPECT_EQ(received, L"\"" + dir + L"VxSpeedUp.exe\" -show -oemid:169");
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
  for (const wchar_t* place : {L"", L"游戏 目录\\Tarvo加速器\\"}) {
    for (const auto& c : cases) {
      EXPECT_EQ(LauncherStartsProduct(c.reply, place), c.productStarted) << c.reply << " in " << Narrow(place);
    }
  }
}

// An update record with a valid checksum, as anybody can write one.
std::string Record(const std::string& state, const std::string& lines) {
  const std::string body = "Tarvo update journal 1\r\nstate " + state + "\r\npackage pkg.zip\r\n" + lines;
  return SealedRecord(body);
}

// What another account that may only create files in the installation
// leaves for the elevated launcher: links, a "temp" list and an update
// record. The launcher ends normally and starts the installed product,
// except while a link stays beside it (a link is never moved aside, and the
// product would load through it) or the account holds its file there open;
// nothing beside the installation changes, and the product is the one that
// was installed, not the account's own program (a stand-in of a higher
// version, which would otherwise be started at once).
TEST(LauncherAgainstLoopbackService, PlantedLinksListsAndRecordsChangeNothing) {
  const struct {
    const char* what;
    std::vector<const wchar_t*> links;  // names in the installation, linked to the folder beside it
    std::string temp;
    std::string record;
    // Put there by the other account (open to every account), and held open
    // by it during the run when `held`.
    const wchar_t* planted = nullptr;
    bool held = false;
  } cases[] = {
      {"temp through a folder link", {L"bin"}, "bin\\victim.txt|bin\\tree|payload.dll>bin\\planted.dll", ""},
      {"temp through a trailing blank", {L"b "}, "b \\victim.txt|b \\tree", ""},
      {"temp puts its program in the product's place", {}, "VxSpeedUp.exe|evil.exe>VxSpeedUp.exe", ""},
      {"temp moves the product away first", {}, "VxSpeedUp.exe>gone.exe|evil.exe>VxSpeedUp.exe", ""},
      {"record replaces the product",
       {},
       "",
       Record("installing", "item VxSpeedUp.exe\r\naside evil.exe>VxSpeedUp.exe\r\n")},
      {"record deletes a user's directory", {}, "", Record("installed", "item x\r\naside userdata>x\r\n")},
      {"record restores through a folder link",
       {L"bin"},
       "",
       Record("installing", "item bin\\victim.txt\r\nnew bin\\victim.txt\r\n")},
      // A DLL waits to go back under a name the other account took: its file
      // gives way, or, held open, keeps the product from being started.
      {"a restore over the account's file", {}, "_core.dll>core.dll", "", L"core.dll"},
      {"a restore the account holds off", {}, "_core.dll>core.dll", "", L"core.dll", true},
  };
  ServeToLaunchers("driver-equal");
  const std::string product = ReadBytes(TestBinDirectory() + L"standin_v1_0_0_9.exe");
  const std::string evil = ReadBytes(TestBinDirectory() + L"standin_v1_0_1_0.exe");
  ASSERT_FALSE(product.empty());
  ASSERT_FALSE(evil.empty());
  for (const auto& c : cases) {
    TempDir scratch(L"planted");
    const std::wstring dir = scratch / L"product\\";
    const std::wstring outside = scratch / L"outside\\";
    ASSERT_TRUE(MakeDirectories(dir + L"userdata"));
    ASSERT_TRUE(MakeDirectories(outside + L"tree"));
    ASSERT_TRUE(WriteBytes(outside + L"victim.txt", "outside"));
    ASSERT_TRUE(WriteBytes(outside + L"tree\\a.txt", "a"));
    ASSERT_TRUE(CopyInto(TestBinDirectory() + L"launcher_loopback.exe", dir + L"launcher.exe"));
    ASSERT_TRUE(WriteBytes(dir + L"VxSpeedUp.exe", product));
    ASSERT_TRUE(WriteBytes(dir + L"evil.exe", evil));
    ASSERT_TRUE(WriteBytes(dir + L"payload.dll", "payload"));
    ASSERT_TRUE(WriteBytes(dir + L"userdata\\user.cfg", "user"));
    for (const wchar_t* link : c.links) ASSERT_TRUE(MakeUnixLink(dir + link, outside)) << c.what;
    if (!c.temp.empty()) {
      ASSERT_TRUE(WriteBytes(dir + L"temp", c.temp));
    }
    if (!c.record.empty()) {
      ASSERT_TRUE(WriteBytes(dir + L"update.journal", c.record));
    }
    UniqueHandle held;
    if (c.planted) {
      ASSERT_TRUE(WriteBytes(dir + L"_core.dll", "old core"));
      ASSERT_TRUE(WriteBytes(dir + c.planted, "account's"));
      ASSERT_TRUE(SetUnixMode(dir + c.planted, "666"));
      if (c.held) {
        held.Reset(::CreateFileW((dir + c.planted).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
      }
    }

    ChildProcess launcher;
    ASSERT_TRUE(launcher.Start(L"\"" + dir + L"launcher.exe\"", L"", dir));
    EXPECT_EQ(launcher.Wait(60000), 0) << c.what;
    const bool starts = !c.held && c.links.empty();
    EXPECT_EQ(WaitUntil([&] { return !ReadBytes(dir + L"commandline.txt").empty(); }, starts ? 5000 : 1000), starts)
        << c.what;
    ::Sleep(100);
    if (c.planted) {
      EXPECT_EQ(ReadBytes(dir + L"core.dll"), c.held ? "account's" : "old core") << c.what;
      // The account's file is kept, moved aside by the start.
      if (!c.held) {
        EXPECT_EQ(ReadBytes(dir + L"moved-aside\\" + c.planted), "account's") << c.what;
      }
    }
    EXPECT_EQ(ReadBytes(dir + L"VxSpeedUp.exe"), product) << c.what;
    EXPECT_EQ(ReadBytes(dir + L"evil.exe"), evil) << c.what;
    EXPECT_EQ(ReadBytes(dir + L"payload.dll"), "payload") << c.what;
    EXPECT_EQ(ReadBytes(dir + L"userdata\\user.cfg"), "user") << c.what;
    EXPECT_EQ(ReadBytes(outside + L"victim.txt"), "outside") << c.what;
    EXPECT_EQ(ReadBytes(outside + L"tree\\a.txt"), "a") << c.what;
    EXPECT_FALSE(PathExists(outside + L"planted.dll")) << c.what;
  }
}

}  // namespace
