#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "duilib/core/CResourceSettingsUI.h"
#include "launcher/app/LauncherRun.h"

using namespace Launcher;

using DuiLib::CResourceSettingsUI;
using DuiLib::SkinReadResult;

namespace {

// This program links the same "ZIPRES" 101 resource as the launcher.
TEST(SkinStartup, PrepareToolkitInstallsThePackageFromTheProgramsResource) {
  CResourceSettingsUI::ResetForTesting();
  HMODULE self = ::GetModuleHandleW(nullptr);
  ASSERT_TRUE(PrepareToolkit(self));
  EXPECT_EQ(CResourceSettingsUI::GetInstance(), self);
  EXPECT_EQ(CResourceSettingsUI::GetResourceZip(), L"membuffer");
  ASSERT_NE(CResourceSettingsUI::GetResourceZipHandle(), nullptr);
  for (const wchar_t* name : {L"MainWindow.xml", L"MessageBox.xml", L"img/pic_bg.png", L"img/buttonB.png"}) {
    std::vector<BYTE> bytes;
    EXPECT_EQ(CResourceSettingsUI::ReadSkinFile(name, bytes), SkinReadResult::Ok);
    EXPECT_FALSE(bytes.empty());
  }
  // Already initialised COM on this thread still counts as success.
  EXPECT_TRUE(PrepareToolkit(self));
}

TEST(SkinStartup, AModuleWithoutThePackageSetsNothing) {
  CResourceSettingsUI::ResetForTesting();
  // kernel32 carries no "ZIPRES" resource.
  ASSERT_TRUE(PrepareToolkit(::GetModuleHandleW(L"kernel32.dll")));
  EXPECT_EQ(CResourceSettingsUI::GetResourceZip(), L"");
  std::vector<BYTE> bytes;
  EXPECT_EQ(CResourceSettingsUI::ReadSkinFile(L"MainWindow.xml", bytes), SkinReadResult::FileOpenFailed);
}

}  // namespace
