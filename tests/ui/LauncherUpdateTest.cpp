// The shipped launcher, built against the loopback version service, through
// every road of the update: a newer version is offered and the package is
// served by the loopback package server (tests/net/test_server.py). Each road
// is watched the way a user meets it: the update window and the message
// boxes on the display, the installation on disk, the product's command line
// and the home page handed to the browser. Every road runs twice: from a plain
// directory and from one whose path holds Chinese characters and blanks, as
// users install it (D:\游戏 目录\Tarvo加速器\), with a `temp` list that
// names such files.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "base/UniqueHandle.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "launcher/net/HttpClient.h"
#include "launcher/ui/VxMessageBox.h"
#include "tests/net/NetTestPorts.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixFiles.h"
#include "tests/ui/BoxProbe.h"
#include "tests/ui/UpdateWindowProbe.h"

using namespace Launcher;

namespace {

constexpr RECT kBoxContent = {40, 36, 330, 144};  // "Content_Label" and some margin
constexpr POINT kBoxOk = {110, 162};
const std::string kDownloadFailed = "下载失败，请手动下载安装最新版本Tarvo加速器！";
const std::string kInstallFailed = "解压缩失败，请手动下载安装最新版本Tarvo加速器！";

// The content area of the launcher's box for `content`, as this process
// draws it with the same skin and fonts.
std::vector<DWORD> ReferenceBox(const std::string& content) {
  std::vector<DWORD> pixels;
  std::thread person([&] {
    HWND box = UpdateProbe::WaitForBoxOf(::GetCurrentProcessId(), 5000);
    if (!box) return;
    if (auto shot = BoxProbe::CaptureWhenPainted(box, 3000)) pixels = UpdateProbe::Region(*shot, kBoxContent);
    BoxProbe::Click(box, 352, 18);
    BoxProbe::WaitGone(box, 3000);
  });
  ShowMessageBox(L"", Widen(content), MessageBoxMode::OkCancel, nullptr);
  person.join();
  return pixels;
}

// `name` in the byte form of `temp`: a character above 0xFF as "<" four
// hexadecimal digits ">" (written here in upper case, the launcher writes lower).
std::string TempEntry(const std::wstring& name) {
  std::string bytes;
  for (const wchar_t c : name) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "<%04X>", static_cast<unsigned>(c));
    bytes += static_cast<unsigned>(c) <= 0xFF ? std::string(1, static_cast<char>(c)) : std::string(escaped);
  }
  return bytes;
}

// The installation directory below the scratch directory ("" for the scratch
// directory itself), with its trailing backslash.
class LauncherUpdateTest : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  static void SetUpTestSuite() {
    DuiLib::CResourceSettingsUI::SetInstance(::GetModuleHandleW(nullptr));
    ASSERT_TRUE(DuiLib::CResourceSettingsUI::InstallZipResource(::GetModuleHandleW(nullptr), 101));
    ASSERT_TRUE(HomePageLog::Install());
    // Drawn before any launcher runs, so that the only box on the display is ours.
    references_[kDownloadFailed] = ReferenceBox(kDownloadFailed);
    references_[kInstallFailed] = ReferenceBox(kInstallFailed);
    ASSERT_FALSE(references_[kDownloadFailed].empty());
    ASSERT_NE(references_[kDownloadFailed], references_[kInstallFailed]);
  }

  void SetUp() override {
    HomePageLog::Clear();
    ASSERT_TRUE(MakeDirectories(dir_.Path() + GetParam()));
    ASSERT_TRUE(CopyInto(TestBinDirectory() + L"launcher_loopback.exe", At(L"launcher.exe")));
    ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_0_9.exe", At(L"VxSpeedUp.exe")));
    ASSERT_TRUE(WriteBytes(At(L"top.txt"), "old top"));
    ASSERT_TRUE(WriteBytes(At(L"keep.txt"), "user settings"));
    ASSERT_TRUE(MakeDirectories(At(L"语言")));
    ASSERT_TRUE(WriteBytes(At(L"语言\\简体中文.txt"), "old 简体中文"));
    oldProduct_ = ReadBytes(At(L"VxSpeedUp.exe"));
    // What an earlier update could not finish: a file and a directory to
    // delete, and a set-aside file to move back to its free name.
    ASSERT_TRUE(WriteBytes(At(L"旧 组件.dll"), "stale"));
    ASSERT_TRUE(MakeDirectories(At(L"缓存 目录\\子 目录")));
    ASSERT_TRUE(WriteBytes(At(L"缓存 目录\\子 目录\\块.bin"), "stale"));
    ASSERT_TRUE(MakeDirectories(At(L"配置")));
    ASSERT_TRUE(WriteBytes(At(L"配置\\_设置 一.ini"), "settings"));
    ASSERT_TRUE(WriteBytes(At(L"temp"), TempEntry(L"旧 组件.dll") + "|" + TempEntry(L"缓存 目录") + "|" +
                                            TempEntry(L"配置\\_设置 一.ini>配置\\设置 一.ini")));
  }

  std::wstring At(const std::wstring& name) const { return dir_.Path() + GetParam() + name; }
  // Where a signed launcher's standard output and error go, beside the installation.
  std::wstring Output() const { return dir_.Path() + L"launcher-output.txt"; }

  // Every start works through `temp` first, whatever road it then takes.
  void ExpectPendingDeletionsDone() {
    EXPECT_FALSE(PathExists(At(L"旧 组件.dll")));
    EXPECT_FALSE(PathExists(At(L"缓存 目录")));
    EXPECT_EQ(ReadBytes(At(L"配置\\设置 一.ini")), "settings");
    EXPECT_FALSE(PathExists(At(L"配置\\_设置 一.ini")));
    EXPECT_FALSE(PathExists(At(L"temp")));
  }

  // Has the service offer 1.0.0.10 from `path` on the package server, signed
  // with the tests' update key as the maker signs (`offer`: "offer"), or
  // unsigned ("offer-unsigned"), then starts the launcher in the
  // installation, its standard output and error going to Output().
  void StartLauncher(const std::string& path, const char* offer = "offer") {
    HttpClient client;
    ASSERT_EQ(client.Get(HttpUrl("/control/" + std::string(offer) + "?" + HttpUrl(path)), ""), "set");
    ASSERT_TRUE(launcher_.Start(L"\"" + At(L"launcher.exe") + L"\"", Output(), At(L"")));
  }

  // The same, offered the signature in `signature` (below the test folder)
  // beside the package.
  void StartSignedLauncher(const std::string& path, const std::string& signature) {
    HttpClient client;
    ASSERT_EQ(client.Get(HttpUrl("/control/offer-signed?signature=" + signature + "&url=" + HttpUrl(path)), ""), "set");
    ASSERT_TRUE(launcher_.Start(L"\"" + At(L"launcher.exe") + L"\"", Output(), At(L"")));
  }

  void ExpectOldInstallation() {
    EXPECT_EQ(ReadBytes(At(L"VxSpeedUp.exe")), oldProduct_);
    EXPECT_EQ(ReadBytes(At(L"top.txt")), "old top");
    EXPECT_EQ(ReadBytes(At(L"keep.txt")), "user settings");
    EXPECT_EQ(ReadBytes(At(L"语言\\简体中文.txt")), "old 简体中文");
    for (const wchar_t* absent : {L"data", L"_VxSpeedUp.exe", L"_top.txt", L"_data", L"语言\\_简体中文.txt",
                                  L"数据 目录", L"_数据 目录", L"commandline.txt"}) {
      EXPECT_FALSE(PathExists(At(absent))) << Narrow(absent);
    }
    ExpectPendingDeletionsDone();
  }

  // The failure roads: the box with `content` over the update window, OK,
  // the home page once, exit code 0.
  void ExpectFailureBox(const std::string& content, const wchar_t* screenshot) {
    HWND window = UpdateProbe::WaitForWindow(30000);
    ASSERT_NE(window, nullptr) << "no update window";
    HWND box = UpdateProbe::WaitForBoxOf(UpdateProbe::ProcessOf(window), 30000);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(::GetWindow(box, GW_OWNER), window);
    auto shot = BoxProbe::CaptureWhenPainted(box, 5000);
    ASSERT_NE(shot, nullptr);
    shot->SavePng(TestBinDirectory() + screenshot);
    const std::vector<DWORD> shown = UpdateProbe::Region(*shot, kBoxContent);
    EXPECT_EQ(shown, references_[content]) << "the box does not read " << content;
    EXPECT_TRUE(HomePageLog::Addresses().empty()) << "the home page opens after the answer";
    BoxProbe::Click(box, kBoxOk.x, kBoxOk.y);
    EXPECT_EQ(launcher_.Wait(10000), 0);
    EXPECT_EQ(HomePageLog::WaitForAddresses(1, 10000),
              std::vector<std::string>{"http://" LAUNCHER_HOMEPAGE_HOST "/?oemid=169"});
  }

  static std::map<std::string, std::vector<DWORD>> references_;
  TempDir dir_{L"update road"};
  ChildProcess launcher_;
  std::string oldProduct_;
};

std::map<std::string, std::vector<DWORD>> LauncherUpdateTest::references_;

TEST_P(LauncherUpdateTest, NewerVersionShowsProgressInstallsAndStartsTheNewProduct) {
  StartLauncher("/slow-files/ui-packages/Tarvo_1.0.0.10.7z");
  HWND window = UpdateProbe::WaitForWindow(30000);
  ASSERT_NE(window, nullptr) << "no update window";
  // The bar while the package trickles in: it only grows, and is seen part-way.
  std::vector<int> widths;
  bool savedMidway = false;
  const ULONGLONG deadline = ::GetTickCount64() + 60000;
  while (::IsWindow(window) && ::GetTickCount64() < deadline) {
    ASSERT_EQ(UpdateProbe::CountMessageBoxes(UpdateProbe::ProcessOf(window)), 0) << "the update failed";
    auto shot = UpdateProbe::Capture(window, 0);
    const int width = shot ? UpdateProbe::BarWidth(*shot) : -1;
    if (width >= 0 && (widths.empty() || widths.back() != width)) widths.push_back(width);
    if (!savedMidway && width >= 150 && width <= 350) {
      savedMidway = shot->SavePng(TestBinDirectory() + L"launcher_update_progress.png");
    }
    ::Sleep(50);
  }
  EXPECT_EQ(launcher_.Wait(30000), 0);
  ASSERT_FALSE(widths.empty());
  int partWay = 0;
  for (size_t i = 0; i < widths.size(); ++i) {
    if (i > 0) {
      EXPECT_GT(widths[i], widths[i - 1]) << "the bar went back";
    }
    partWay += widths[i] > 0 && widths[i] < 500;
  }
  EXPECT_GE(partWay, 3) << "the bar was seen part-way fewer than three times";

  EXPECT_EQ(ReadBytes(At(L"VxSpeedUp.exe")), ReadBytes(TestBinDirectory() + L"standin_v1_0_1_0.exe"));
  EXPECT_EQ(ReadBytes(At(L"top.txt")), "new top");
  EXPECT_EQ(ReadBytes(At(L"data\\big.bin")).size(), 1500000u);
  EXPECT_EQ(ReadBytes(At(L"语言\\简体中文.txt")), "new 简体中文");
  EXPECT_EQ(ReadBytes(At(L"数据 目录\\新 文件.txt")), "new 新文件");
  EXPECT_EQ(ReadBytes(At(L"keep.txt")), "user settings");
  for (const wchar_t* absent : {L"Tarvo_1.0.0.10.7z", L"_VxSpeedUp.exe", L"_top.txt", L"语言\\_简体中文.txt"}) {
    EXPECT_FALSE(PathExists(At(absent))) << Narrow(absent);
  }
  ExpectPendingDeletionsDone();
  // The new product itself reports how it was started.
  ASSERT_TRUE(WaitUntil([&] { return !ReadBytes(At(L"commandline.txt")).empty(); }, 10000));
  const std::string line = ReadBytes(At(L"commandline.txt"));
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(line.data()), line.size() / 2),
            L"\"" + At(L"VxSpeedUp.exe") + L"\" -show -oemid:169");
  EXPECT_TRUE(HomePageLog::Addresses().empty());
}

TEST_P(LauncherUpdateTest, PackageNotFoundSaysDownloadFailedAndOpensTheHomePage) {
  StartLauncher("/pkg-404/Tarvo_1.0.0.10.7z");
  ExpectFailureBox(kDownloadFailed, L"launcher_download_failed.png");
  ::Sleep(300);
  ExpectOldInstallation();
}

TEST_P(LauncherUpdateTest, DamagedPackageSaysUnpackFailedAndPutsEveryFileBack) {
  StartLauncher("/files/ui-packages/Tarvo_damaged.7z");
  ExpectFailureBox(kInstallFailed, L"launcher_unpack_failed.png");
  ::Sleep(300);
  ExpectOldInstallation();
  // The package is the launcher's own file and goes: the next update never
  // takes a name that exists.
  EXPECT_FALSE(FileExists(At(L"Tarvo_damaged.7z")));
}

TEST_P(LauncherUpdateTest, ClosingDuringTheDownloadEndsTheRunAndTheNextRunInstalls) {
  StartLauncher("/slow-files/ui-packages/Tarvo_1.0.0.10.7z");
  HWND window = UpdateProbe::WaitForWindow(30000);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil(
      [&] {
        auto shot = UpdateProbe::Capture(window, 0);
        return shot && UpdateProbe::BarWidth(*shot) > 0;
      },
      10000))
      << "no progress";
  UpdateProbe::Click(window, UpdateProbe::kCloseButton);
  HWND box = UpdateProbe::WaitForBoxOf(UpdateProbe::ProcessOf(window), 5000);
  ASSERT_NE(box, nullptr) << "no confirmation";
  auto shot = BoxProbe::CaptureWhenPainted(box, 5000);
  ASSERT_NE(shot, nullptr);
  shot->SavePng(TestBinDirectory() + L"launcher_confirm_close.png");
  BoxProbe::Click(box, kBoxOk.x, kBoxOk.y);
  EXPECT_EQ(launcher_.Wait(5000), 0);
  ::Sleep(300);
  ExpectOldInstallation();
  EXPECT_TRUE(HomePageLog::Addresses().empty());

  // Whatever the interrupted download left, the next start installs cleanly.
  StartLauncher("/files/ui-packages/Tarvo_1.0.0.10.7z");
  EXPECT_EQ(launcher_.Wait(30000), 0);
  EXPECT_EQ(ReadBytes(At(L"VxSpeedUp.exe")), ReadBytes(TestBinDirectory() + L"standin_v1_0_1_0.exe"));
  EXPECT_EQ(ReadBytes(At(L"top.txt")), "new top");
  EXPECT_EQ(ReadBytes(At(L"语言\\简体中文.txt")), "new 简体中文");
  EXPECT_FALSE(PathExists(At(L"Tarvo_1.0.0.10.7z")));
  EXPECT_TRUE(WaitUntil([&] { return !ReadBytes(At(L"commandline.txt")).empty(); }, 10000));
}

TEST_P(LauncherUpdateTest, SignedLauncherInstallsWhatTheMakerSignedForTheOfferedVersion) {
  StartSignedLauncher("/files/ui-packages/Tarvo_1.0.0.10.7z", "ui-packages/Tarvo_1.0.0.10.7z.sig");
  HWND window = UpdateProbe::WaitForWindow(30000);
  ASSERT_NE(window, nullptr) << "no update window";
  EXPECT_EQ(launcher_.Wait(30000), 0);
  EXPECT_EQ(ReadBytes(At(L"VxSpeedUp.exe")), ReadBytes(TestBinDirectory() + L"standin_v1_0_1_0.exe"));
  EXPECT_EQ(ReadBytes(At(L"top.txt")), "new top");
  EXPECT_EQ(ReadBytes(At(L"语言\\简体中文.txt")), "new 简体中文");
  EXPECT_EQ(ReadBytes(At(L"数据 目录\\新 文件.txt")), "new 新文件");
  for (const wchar_t* absent : {L"Tarvo_1.0.0.10.7z", L"_VxSpeedUp.exe", L"_top.txt", L"update.journal"}) {
    EXPECT_FALSE(PathExists(At(absent))) << Narrow(absent);
  }
  ASSERT_TRUE(WaitUntil([&] { return !ReadBytes(At(L"commandline.txt")).empty(); }, 10000));
  EXPECT_TRUE(HomePageLog::Addresses().empty());
  EXPECT_EQ(ReadBytes(At(L"update.version")), "version 1.0.0.10\r\n");
}

// Another account's objects at every name the launcher needs: directories
// under its records' names, the sixteen fresh names of "temp", a file under
// the package's name. None blocks the update: the start moves them aside,
// kept, and the offer installs.
TEST_P(LauncherUpdateTest, AnotherAccountsObjectsAtTheLaunchersNamesBlockNothing) {
  std::vector<std::wstring> planted = {L"update.download", L"update.journal", L"update.version", L"Tarvo_1.0.0.10.7z",
                                       L"temp.new"};
  for (int n = 1; n < 16; ++n) planted.push_back(L"temp.new" + std::to_wstring(n));
  for (const std::wstring& name : planted) {
    const bool directory = name.rfind(L"update.", 0) == 0;
    if (directory) {
      ASSERT_TRUE(MakeDirectories(At(name)));
      ASSERT_TRUE(WriteBytes(At(name + L"\\theirs.txt"), "theirs"));
    } else {
      ASSERT_TRUE(WriteBytes(At(name), "theirs"));
    }
    ASSERT_TRUE(SetUnixMode(At(name), directory ? "777" : "666"));
  }
  StartLauncher("/files/ui-packages/Tarvo_1.0.0.10.7z");
  EXPECT_EQ(launcher_.Wait(30000), 0) << ReadBytes(Output());
  EXPECT_EQ(ReadBytes(At(L"VxSpeedUp.exe")), ReadBytes(TestBinDirectory() + L"standin_v1_0_1_0.exe"));
  EXPECT_EQ(ReadBytes(At(L"top.txt")), "new top");
  EXPECT_TRUE(WaitUntil([&] { return !ReadBytes(At(L"commandline.txt")).empty(); }, 10000));
  for (const std::wstring& name : planted) {
    const bool directory = name.rfind(L"update.", 0) == 0;
    EXPECT_EQ(ReadBytes(At(L"moved-aside\\" + name + (directory ? L"\\theirs.txt" : L""))), "theirs") << Narrow(name);
  }
}

// No downgrade: the launcher once installed 1.0.0.11. Offered the maker's
// package for 1.0.0.10 while the product's own version cannot be read, it
// installs nothing and starts the product as it is.
TEST_P(LauncherUpdateTest, AnOlderSignedVersionIsNeverInstalledEvenWhenTheProductIsUnreadable) {
  const std::wstring unreadable = TestBinDirectory() + L"standin_no_version_resource.exe";
  ASSERT_TRUE(CopyInto(unreadable, At(L"VxSpeedUp.exe")));
  ASSERT_TRUE(WriteBytes(At(L"update.version"), "version 1.0.0.11\r\n"));
  StartLauncher("/files/ui-packages/Tarvo_1.0.0.10.7z");
  EXPECT_EQ(launcher_.Wait(30000), 0);
  EXPECT_TRUE(WaitUntil([&] { return !ReadBytes(At(L"commandline.txt")).empty(); }, 10000));
  EXPECT_EQ(ReadBytes(At(L"VxSpeedUp.exe")), ReadBytes(unreadable));
  EXPECT_EQ(ReadBytes(At(L"top.txt")), "old top");
  EXPECT_FALSE(PathExists(At(L"Tarvo_1.0.0.10.7z")));
  EXPECT_EQ(ReadBytes(At(L"update.version")), "version 1.0.0.11\r\n");
}

// A DLL still waiting to go back under a name another account's file holds
// open: the update installs, but the product is not started on a missing
// DLL; the restore stays listed for the next start.
TEST_P(LauncherUpdateTest, ARestoreHeldOffKeepsTheUpdatedProductFromStarting) {
  ASSERT_TRUE(WriteBytes(At(L"_core.dll"), "old core"));
  ASSERT_TRUE(WriteBytes(At(L"core.dll"), "account's"));
  ASSERT_TRUE(SetUnixMode(At(L"core.dll"), "666"));
  ASSERT_TRUE(WriteBytes(At(L"temp"), "_core.dll>core.dll"));
  UniqueHandle held(
      ::CreateFileW(At(L"core.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  StartLauncher("/files/ui-packages/Tarvo_1.0.0.10.7z");
  ASSERT_NE(UpdateProbe::WaitForWindow(30000), nullptr) << "no update window";
  EXPECT_EQ(launcher_.Wait(30000), 0);
  EXPECT_EQ(ReadBytes(At(L"VxSpeedUp.exe")), ReadBytes(TestBinDirectory() + L"standin_v1_0_1_0.exe"));
  EXPECT_FALSE(WaitUntil([&] { return PathExists(At(L"commandline.txt")); }, 2000)) << "the product was started";
  EXPECT_NE(ReadBytes(At(L"temp")).find("_core.dll>core.dll"), std::string::npos);
  EXPECT_EQ(ReadBytes(At(L"_core.dll")), "old core");
  EXPECT_TRUE(HomePageLog::Addresses().empty());
}

// A genuine signature of the same package for an older version: whoever
// answers the version request must not be able to offer it again as new.
TEST_P(LauncherUpdateTest, SignedLauncherRefusesTheMakersSignatureForAnotherVersion) {
  StartSignedLauncher("/files/ui-packages/Tarvo_1.0.0.10.7z", "ui-packages/Tarvo_1.0.0.10.7z.old.sig");
  ExpectFailureBox(kDownloadFailed, L"launcher_signature_refused.png");
  // The one line the update leaves says which check refused, and why.
  const std::string output = ReadBytes(Output());
  EXPECT_NE(output.find("update failed: PackageSignature: trusted comment is \"version "), std::string::npos) << output;
  EXPECT_NE(output.find("expected \"version 1.0.0.10\""), std::string::npos) << output;
  ::Sleep(300);
  ExpectOldInstallation();
  EXPECT_FALSE(PathExists(At(L"Tarvo_1.0.0.10.7z"))) << "the refused package stays";
  EXPECT_FALSE(PathExists(At(L"update.journal")));
}

// A reply without a signature is a failed download, before any byte is
// fetched, where the same offer signed installs (the roads above).
TEST_P(LauncherUpdateTest, SignedLauncherRefusesAnUnsignedPackage) {
  StartLauncher("/files/ui-packages/Tarvo_1.0.0.10.7z", "offer-unsigned");
  ExpectFailureBox(kDownloadFailed, L"launcher_unsigned_refused.png");
  ::Sleep(300);
  ExpectOldInstallation();
  EXPECT_FALSE(PathExists(At(L"Tarvo_1.0.0.10.7z")));
  EXPECT_NE(ReadBytes(Output()).find("update failed: PackageSignature: no signature offered"), std::string::npos)
      << ReadBytes(Output());
}

INSTANTIATE_TEST_SUITE_P(Installations, LauncherUpdateTest, ::testing::Values(L"", L"游戏 目录\\Tarvo加速器\\"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& info) {
                           return std::string(*info.param ? "ChinesePathWithBlanks" : "PlainPath");
                         });

}  // namespace
