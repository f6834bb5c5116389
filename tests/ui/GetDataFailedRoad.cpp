#include "tests/ui/GetDataFailedRoad.h"

#include <gtest/gtest.h>

#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"
#include "tests/ui/BoxProbe.h"

using namespace BoxProbe;

namespace {

void ExpectOkAloneWithTitle(const DibCanvas& shot) {
  EXPECT_EQ(Rgb(shot, 127, 162), kOkFace);
  EXPECT_EQ(Rgb(shot, 243, 162), kOkFace);
  EXPECT_EQ(Rgb(shot, 260, 162), kBackground);
  int titleInk = 0;
  for (int y = 4; y < 32; ++y) {
    for (int x = 16; x < 330; ++x) titleInk += Rgb(shot, x, y) != kBackground;
  }
  EXPECT_GT(titleInk, 20);
}

}  // namespace

void ExpectGetDataFailedRoad(const std::wstring& launcher, const std::string& name) {
  TempDir dir(L"failed service");
  ASSERT_TRUE(CopyInto(TestBinDirectory() + launcher, dir / L"launcher.exe")) << "no " << Narrow(launcher);
  ASSERT_TRUE(CopyInto(TestBinDirectory() + L"standin_v1_0_0_9.exe", dir / L"VxSpeedUp.exe"));
  ChildProcess process;
  ASSERT_TRUE(process.Start(L"\"" + dir.Path() + L"launcher.exe\"", L"", dir.Path()));

  HWND box = WaitForBox(30000);
  ASSERT_NE(box, nullptr) << "no message box";
  auto shot = CaptureWhenPainted(box, 5000);
  ASSERT_NE(shot, nullptr) << "the box never painted its border, background and OK button";
  shot->SavePng(TestBinDirectory() + L"launcher_get_data_failed_" + Widen(name) + L".png");
  ExpectOkAloneWithTitle(*shot);
  EXPECT_TRUE(process.IsRunning()) << "the launcher did not wait for the user";

  Click(box, 185, 162);
  EXPECT_EQ(process.Wait(10000), 0);
  ::Sleep(500);
  EXPECT_TRUE(ReadBytes(dir / L"commandline.txt").empty()) << "the product was started";
}
