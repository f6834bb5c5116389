// A copy of tests/security/PlantedDll.cpp, which records its own loading, is
// planted in the installation under the name of each system DLL that is not a
// known DLL, and Wine is told to prefer a DLL of those names found beside the
// program, as Windows does. The launcher must load none of them on any road,
// and still take the road.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/net/HttpClient.h"
#include "tests/net/NetTestPorts.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"
#include "tests/ui/BoxProbe.h"

using namespace Launcher;

namespace {

const wchar_t* const kPlantedNames[] = {L"version.dll", L"msimg32.dll", L"riched20.dll", L"msftedit.dll",
                                        L"gdiplus.dll", L"wininet.dll", L"urlmon.dll",   L"comctl32.dll"};
constexpr int kPlantedCount = sizeof kPlantedNames / sizeof kPlantedNames[0];
// Names no other test gives its programs, since Wine's overrides below go by
// the program's file name.
constexpr wchar_t kLauncherName[] = L"planted_launcher.exe";
constexpr wchar_t kProbeName[] = L"planted_probe.exe";

// While it lives, Wine prefers a DLL of every planted name found beside the
// program, for programs of the file name `exeName` (Wine's per-program
// DllOverrides): it then searches like Windows, the program's directory first.
// The WINEDLLOVERRIDES variable would not do: Wine reads it from the Unix
// environment, which a process started from a Windows program does not get
// from the Windows environment.
class PreferDllsBesideProgram {
 public:
  explicit PreferDllsBesideProgram(const std::wstring& exeName)
      : key_(L"Software\\Wine\\AppDefaults\\" + exeName + L"\\DllOverrides") {
    for (const wchar_t* name : kPlantedNames) {
      std::wstring base(name);
      base.resize(base.size() - 4);  // no ".dll"
      const wchar_t order[] = L"native,builtin";
      EXPECT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), base.c_str(), REG_SZ, order, sizeof order),
                ERROR_SUCCESS);
    }
  }
  ~PreferDllsBesideProgram() { ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

 private:
  std::wstring key_;
};

// A scratch installation holding a planted copy under every name.
class PlantedInstallation {
 public:
  PlantedInstallation() : dir_(L"planted dlls") {
    for (const wchar_t* name : kPlantedNames) {
      EXPECT_TRUE(CopyInto(TestBinDirectory() + L"planted.dll", dir_ / name)) << Narrow(name);
    }
  }
  const TempDir& Dir() const { return dir_; }

  // The planted DLLs that were loaded, by name.
  std::vector<std::wstring> Recorded() const {
    std::vector<std::wstring> names;
    for (const wchar_t* name : kPlantedNames) {
      if (FileExists(dir_ / (std::wstring(name) + L".loaded"))) names.push_back(name);
    }
    return names;
  }

 private:
  TempDir dir_;
};

std::string Join(const std::vector<std::wstring>& names) {
  std::string text;
  for (const auto& name : names) text += (text.empty() ? "" : ", ") + Narrow(name);
  return text.empty() ? "(none)" : text;
}

// Runs the probe with `mode` in a fresh planted installation; the planted DLLs
// that were loaded.
std::vector<std::wstring> ProbeRecords(const wchar_t* mode, long* loaded = nullptr) {
  PlantedInstallation install;
  EXPECT_TRUE(CopyInto(TestBinDirectory() + L"dll_search_probe.exe", install.Dir() / kProbeName));
  std::wstring command = L"\"" + install.Dir().Path() + kProbeName + L"\" " + mode;
  for (const wchar_t* name : kPlantedNames) command += std::wstring(L" ") + name;
  PreferDllsBesideProgram prefer(kProbeName);
  ChildProcess probe;
  EXPECT_TRUE(probe.Start(command, L"", install.Dir().Path()));
  const long code = probe.Wait(30000);
  if (loaded) *loaded = code;
  return install.Recorded();
}

// What the platform's own USER32 takes from beside any program that imports it
// (the probe with nothing to load). On Windows USER32 is a known DLL whose
// imports are known DLLs: nothing. Wine's USER32 imports VERSION, which then
// comes from beside the program before the program's first line runs; no
// program can change that, and Windows does not do it.
std::vector<std::wstring> PlatformRecords() {
  static const std::vector<std::wstring> records = ProbeRecords(L"none");
  return records;
}

bool Within(const std::vector<std::wstring>& names, const std::vector<std::wstring>& allowed) {
  for (const auto& name : names) {
    bool found = false;
    for (const auto& a : allowed) found = found || a == name;
    if (!found) return false;
  }
  return true;
}

// The test's own premise: with the override, a plain load by name takes every
// planted copy, so that "nothing recorded" below means something. The
// restriction and SystemLibrary take the system's copies instead: they add
// nothing to what USER32 brought.
TEST(PlantedDll, OnlyALoadByTheSearchOrderTakesThePlantedCopy) {
  const std::vector<std::wstring> platform = PlatformRecords();
  const struct {
    const wchar_t* mode;
    bool planted;
  } cases[] = {
      {L"bare", true},
      {L"restricted", false},
      {L"system", false},
  };
  for (const auto& c : cases) {
    long loaded = -1;
    const std::vector<std::wstring> recorded = ProbeRecords(c.mode, &loaded);
    // Every DLL loads: the planted copy or the system's.
    EXPECT_EQ(loaded, kPlantedCount) << Narrow(c.mode);
    if (c.planted) {
      EXPECT_EQ(recorded.size(), static_cast<size_t>(kPlantedCount)) << Narrow(c.mode) << ": " << Join(recorded);
    } else {
      EXPECT_EQ(recorded, platform) << Narrow(c.mode) << ": " << Join(recorded);
    }
  }
}

struct Road {
  const char* name;
  const wchar_t* launcher;  // built against this service
  const char* reply;        // what the loopback service answers (null: not asked)
  bool box;                 // "Get Data Failed!" shown; otherwise the product is started
};

class PlantedDllRoadTest : public ::testing::TestWithParam<Road> {};

TEST_P(PlantedDllRoadTest, LauncherLoadsNoneAndTakesItsRoad) {
  const Road& road = GetParam();
  if (road.reply) {
    HttpClient client;
    ASSERT_EQ(client.Get(HttpUrl(std::string("/control/driver?case=") + road.reply), ""), "set");
  }
  PlantedInstallation install;
  const TempDir& dir = install.Dir();
  ASSERT_TRUE(CopyInto(TestBinDirectory() + road.launcher, dir / kLauncherName));
  ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_0_9.exe", dir / L"VxSpeedUp.exe"));
  PreferDllsBesideProgram prefer(kLauncherName);
  ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(L"\"" + dir.Path() + kLauncherName + L"\"", L"", dir.Path()));
  if (road.box) {
    HWND box = BoxProbe::WaitForBox(30000);
    ASSERT_NE(box, nullptr) << "no message box; loaded: " << Join(install.Recorded());
    ASSERT_NE(BoxProbe::CaptureWhenPainted(box, 5000), nullptr) << "the box never painted";
    BoxProbe::Click(box, 185, 162);
    EXPECT_EQ(launcher.Wait(10000), 0);
    ::Sleep(500);
    EXPECT_TRUE(ReadBytes(dir / L"commandline.txt").empty()) << "the product was started";
  } else {
    EXPECT_EQ(launcher.Wait(60000), 0);
    EXPECT_TRUE(WaitUntil([&] { return !ReadBytes(dir / L"commandline.txt").empty(); }, 3000))
        << "the product was not started";
  }
  // VERSION matters most and is the one Wine's USER32 may already have taken
  // from beside the program: the product-start road shows that the launcher
  // read the product's version through the system's copy (the planted one
  // exports nothing, and an unread version would offer the update instead).
  EXPECT_TRUE(Within(install.Recorded(), PlatformRecords()))
      << "loaded: " << Join(install.Recorded()) << "; the platform itself loads: " << Join(PlatformRecords());
}

INSTANTIATE_TEST_SUITE_P(Roads, PlantedDllRoadTest,
                         ::testing::Values(Road{"product_start", L"launcher_loopback.exe", "driver-equal", false},
                                           Road{"get_data_failed_404", L"launcher_loopback.exe", "status404", true},
                                           Road{"get_data_failed_no_service", L"launcher_unreachable.exe", nullptr,
                                                true}),
                         [](const ::testing::TestParamInfo<Road>& info) { return std::string(info.param.name); });

}  // namespace
