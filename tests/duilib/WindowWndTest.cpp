#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "duilib/core/CWindowWnd.h"
#include "tests/duilib/MessagePump.h"

using DuiLib::CWindowWnd;

namespace {

class PlainWindow : public CWindowWnd {
 public:
  int destroyedCalls = 0;

 protected:
  const wchar_t* WindowClassName() const override { return L"WindowsTestPlain"; }
  void OnWindowDestroyed(HWND) override { ++destroyedCalls; }
};

HWND CreatePlain(PlainWindow& window, HWND owner, int x, int y, int cx, int cy) {
  return window.Create(owner, L"plain", WS_POPUP, 0, x, y, cx, cy);
}

RECT WorkArea(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

TEST(WindowWnd, SecondWindowOfARegisteredClassIsCreated) {
  PlainWindow first, second;
  HWND a = CreatePlain(first, nullptr, 0, 0, 50, 50);
  HWND b = CreatePlain(second, nullptr, 0, 0, 50, 50);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(first.GetHWND(), a);
  ::DestroyWindow(a);
  ::DestroyWindow(b);
  // WM_NCDESTROY forgets the handle and tells the object once.
  EXPECT_EQ(first.GetHWND(), nullptr);
  EXPECT_EQ(first.destroyedCalls, 1);
  EXPECT_EQ(second.destroyedCalls, 1);
}

TEST(WindowWnd, ShowModalReturnsTheCodeGivenToClose) {
  PlainWindow window;
  ASSERT_NE(CreatePlain(window, nullptr, 10, 10, 60, 40), nullptr);
  window.Close(5);
  EXPECT_EQ(window.ShowModal(), 5u);
  EXPECT_EQ(window.GetHWND(), nullptr);
}

TEST(WindowWnd, QuitDuringShowModalEndsItAndIsPostedAgain) {
  PlainWindow window;
  HWND hwnd = CreatePlain(window, nullptr, 10, 10, 60, 40);
  ASSERT_NE(hwnd, nullptr);
  ::PostQuitMessage(7);
  EXPECT_EQ(window.ShowModal(), 0u);
  EXPECT_TRUE(::IsWindow(hwnd));
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  ::DestroyWindow(hwnd);
}

bool gOwnerEnabledDuringLoop = true;
PlainWindow* gClosing = nullptr;
HWND gWatchedOwner = nullptr;

void CALLBACK CheckOwnerAndClose(HWND window, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(window, id);
  gOwnerEnabledDuringLoop = ::IsWindowEnabled(gWatchedOwner) != FALSE;
  gClosing->Close(3);
}

TEST(WindowWnd, OwnerIsDisabledWhileModalAndEnabledAndFocusedAfter) {
  PlainWindow owner, modal;
  HWND ownerHwnd = owner.Create(nullptr, L"owner", WS_POPUP | WS_VISIBLE, 0, 100, 100, 200, 150);
  ASSERT_NE(ownerHwnd, nullptr);
  ::SetForegroundWindow(ownerHwnd);
  ASSERT_NE(CreatePlain(modal, ownerHwnd, 0, 0, 80, 60), nullptr);
  gOwnerEnabledDuringLoop = true;
  gClosing = &modal;
  gWatchedOwner = ownerHwnd;
  // The check runs inside the modal loop, from a timer of the modal window.
  ::SetTimer(modal.GetHWND(), 1, 30, CheckOwnerAndClose);
  EXPECT_EQ(modal.ShowModal(), 3u);
  EXPECT_FALSE(gOwnerEnabledDuringLoop);
  EXPECT_TRUE(::IsWindowEnabled(ownerHwnd));
  EXPECT_EQ(::GetFocus(), ownerHwnd);
  ::DestroyWindow(ownerHwnd);
}

struct CenterCase {
  const char* name;
  bool withOwner;
  bool ownerMinimised;
  int ownerX;  // owner's left edge relative to the work area's left
};

class CenterOnOwnerTest : public ::testing::TestWithParam<CenterCase> {};

TEST_P(CenterOnOwnerTest, CentresOverOwnerOrWorkAreaInsideTheWorkArea) {
  const CenterCase& c = GetParam();
  PlainWindow owner, window;
  const RECT work = WorkArea(nullptr);
  HWND ownerHwnd = nullptr;
  if (c.withOwner) {
    ownerHwnd =
        owner.Create(nullptr, L"owner", WS_POPUP | WS_VISIBLE, 0, work.left + c.ownerX, work.top + 100, 300, 200);
    ASSERT_NE(ownerHwnd, nullptr);
    if (c.ownerMinimised) ::ShowWindow(ownerHwnd, SW_MINIMIZE);
  }
  ASSERT_NE(CreatePlain(window, ownerHwnd, 0, 0, 101, 61), nullptr);
  window.CenterOnOwner();
  RECT rc;
  ::GetWindowRect(window.GetHWND(), &rc);
  EXPECT_EQ(rc.right - rc.left, 101);
  EXPECT_EQ(rc.bottom - rc.top, 61);
  RECT reference = work;
  if (c.withOwner && !c.ownerMinimised) ::GetWindowRect(ownerHwnd, &reference);
  int left = (reference.left + reference.right) / 2 - 101 / 2;
  int top = (reference.top + reference.bottom) / 2 - 61 / 2;
  left = std::min(std::max(left, static_cast<int>(work.left)), static_cast<int>(work.right) - 101);
  top = std::min(std::max(top, static_cast<int>(work.top)), static_cast<int>(work.bottom) - 61);
  EXPECT_EQ(rc.left, left);
  EXPECT_EQ(rc.top, top);
  // Inside the work area in every case.
  EXPECT_GE(rc.left, work.left);
  EXPECT_LE(rc.right, work.right);
  ::DestroyWindow(window.GetHWND());
  if (ownerHwnd) ::DestroyWindow(ownerHwnd);
}

INSTANTIATE_TEST_SUITE_P(Cases, CenterOnOwnerTest,
                         ::testing::Values(CenterCase{"no_owner", false, false, 0},
                                           CenterCase{"owner", true, false, 200},
                                           CenterCase{"minimised_owner", true, true, 200},
                                           CenterCase{"owner_at_left_edge_is_clamped", true, false, -250}),
                         [](const ::testing::TestParamInfo<CenterCase>& info) { return std::string(info.param.name); });

TEST(WindowWnd, CentringWithoutOwnerMatchesTheWorkAreaCentre) {
  PlainWindow window;
  ASSERT_NE(CreatePlain(window, nullptr, 0, 0, 370, 208), nullptr);
  window.CenterOnOwner();
  RECT rc;
  ::GetWindowRect(window.GetHWND(), &rc);
  const RECT work = WorkArea(window.GetHWND());
  EXPECT_LE(std::abs((rc.left + rc.right) - (work.left + work.right)), 1);
  EXPECT_LE(std::abs((rc.top + rc.bottom) - (work.top + work.bottom)), 1);
  ::DestroyWindow(window.GetHWND());
}

}  // namespace
