#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "duilib/control/CControlUI.h"
#include "duilib/core/CNotificationQueueUI.h"
#include "duilib/core/CTimerTableUI.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/core/CWindowWnd.h"
#include "tests/duilib/MessagePump.h"

using namespace DuiLib;

namespace {

std::vector<std::wstring>* gLog = nullptr;

void Log(const std::wstring& line) {
  if (gLog) gLog->push_back(line);
}

// A control that writes its paints and events into the test's log.
class RecordingControl : public CControlUI {
 public:
  bool DoPaint(HDC dc, const RECT& rcPaint, CControlUI* stop) override {
    Log(L"paint");
    return CControlUI::DoPaint(dc, rcPaint, stop);
  }
  void DoEvent(ControlEventUI& event) override {
    if (event.type == UIEVENT_TIMER) Log(L"timer " + std::to_wstring(event.wParam));
    CControlUI::DoEvent(event);
  }
};

// A window whose messages go to a host, the way the window base hands them on.
class HostWindow : public CWindowWnd, public INotifyUI {
 public:
  CWindowHostUI host;
  std::vector<NotificationUI> received;

  HWND Open(int x, int y, int cx, int cy) {
    return Create(nullptr, L"host", WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST, x, y, cx, cy);
  }
  void OnNotify(NotificationUI& msg) override {
    received.push_back(msg);
    Log(msg.type);
  }

 protected:
  const wchar_t* WindowClassName() const override { return L"WindowsTestHost"; }
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE) {
      host.Init(GetHWND());
      host.AddNotifier(this);
    }
    LRESULT result = 0;
    if (host.MessageHandler(message, wParam, lParam, result)) return result;
    return CallPreviousProc(message, wParam, lParam);
  }
  void OnWindowDestroyed(HWND) override { host.Uninit(); }
};

// A plain white window under the one being tested, so that a window that
// paints nothing would show white, not black.
class WhiteBackdrop {
 public:
  WhiteBackdrop(int x, int y, int cx, int cy) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"WindowsTestWhite";
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowExW(0, L"WindowsTestWhite", L"", WS_POPUP | WS_VISIBLE, x, y, cx, cy, nullptr, nullptr,
                              nullptr, nullptr);
    ::UpdateWindow(hwnd_);
  }
  ~WhiteBackdrop() { ::DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

class HostWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { gLog = &log; }
  void TearDown() override {
    if (window.GetHWND()) ::DestroyWindow(window.GetHWND());
    gLog = nullptr;
  }
  std::vector<std::wstring> log;
  HostWindow window;
};

TEST_F(HostWindowTest, WindowWithoutRootPaintsBlack) {
  WhiteBackdrop backdrop(40, 40, 120, 80);
  ASSERT_EQ(ScreenPixel(backdrop.hwnd(), 30, 30), 0xFFFFFFu);
  ASSERT_NE(window.Open(40, 40, 120, 80), nullptr);
  ::InvalidateRect(window.GetHWND(), nullptr, FALSE);
  ::UpdateWindow(window.GetHWND());
  EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(window.GetHWND(), 30, 30) == 0; }, 2000));
  EXPECT_EQ(ScreenPixel(window.GetHWND(), 0, 0), 0u);
  EXPECT_EQ(ScreenPixel(window.GetHWND(), 119, 79), 0u);
}

TEST_F(HostWindowTest, WindowInitArrivesOnceAfterLayoutBeforeTheFirstPaint) {
  ASSERT_NE(window.Open(40, 40, 120, 80), nullptr);
  auto* root = new RecordingControl;
  root->SetBkColor(0xFF336699);
  ASSERT_TRUE(window.host.AttachDialog(root));
  EXPECT_TRUE(log.empty());
  ::InvalidateRect(window.GetHWND(), nullptr, FALSE);
  ::UpdateWindow(window.GetHWND());
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], L"windowinit");
  EXPECT_EQ(log[1], L"paint");
  // The root was laid out over the client area before windowinit.
  EXPECT_EQ(root->GetPos().right, 120);
  EXPECT_EQ(root->GetPos().bottom, 80);
  EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(window.GetHWND(), 60, 40) == 0x336699u; }, 2000));

  // More paints and a new size (a new layout) bring no second windowinit.
  ::SetWindowPos(window.GetHWND(), nullptr, 0, 0, 150, 90, SWP_NOMOVE | SWP_NOZORDER);
  ::InvalidateRect(window.GetHWND(), nullptr, FALSE);
  ::UpdateWindow(window.GetHWND());
  PumpFor(50);
  EXPECT_EQ(std::count(log.begin(), log.end(), L"windowinit"), 1);
  EXPECT_EQ(root->GetPos().right, 150);

  // A newly attached root gets its own windowinit, again before its first paint.
  log.clear();
  ASSERT_TRUE(window.host.AttachDialog(new RecordingControl));
  ::InvalidateRect(window.GetHWND(), nullptr, FALSE);
  ::UpdateWindow(window.GetHWND());
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], L"windowinit");
  EXPECT_EQ(log[1], L"paint");
}

TEST_F(HostWindowTest, TwoQueuedNotificationsWithoutRepeatsArriveAsOneWithTheSecondsParameters) {
  ASSERT_NE(window.Open(40, 40, 60, 40), nullptr);
  auto* root = new RecordingControl;
  ASSERT_TRUE(window.host.AttachDialog(root));
  PumpFor(30);
  window.received.clear();
  window.host.SendNotify(root, L"scroll", 1, 11, true, false);
  window.host.SendNotify(root, L"scroll", 2, 22, true, false);
  EXPECT_TRUE(window.received.empty());  // nothing synchronous
  // Exactly one private message is waiting.
  MSG msg;
  int posted = 0;
  while (::PeekMessageW(&msg, window.GetHWND(), WM_APP_ASYNC_NOTIFY, WM_APP_ASYNC_NOTIFY, PM_REMOVE)) {
    ++posted;
    ::DispatchMessageW(&msg);
  }
  EXPECT_EQ(posted, 1);
  ASSERT_EQ(window.received.size(), 1u);
  EXPECT_EQ(window.received[0].type, L"scroll");
  EXPECT_EQ(window.received[0].wParam, 2u);
  EXPECT_EQ(window.received[0].lParam, 22);
  EXPECT_EQ(window.received[0].sender, root);

  // With repeats allowed both arrive, in order.
  window.received.clear();
  window.host.SendNotify(root, L"scroll", 3, 0, true, true);
  window.host.SendNotify(root, L"scroll", 4, 0, true, true);
  PumpUntil([&] { return window.received.size() >= 2; }, 1000);
  ASSERT_EQ(window.received.size(), 2u);
  EXPECT_EQ(window.received[0].wParam, 3u);
  EXPECT_EQ(window.received[1].wParam, 4u);
}

TEST_F(HostWindowTest, ControlTimersReachTheControlWithItsOwnNumber) {
  ASSERT_NE(window.Open(40, 40, 60, 40), nullptr);
  auto* root = new RecordingControl;
  ASSERT_TRUE(window.host.AttachDialog(root));
  ASSERT_TRUE(window.host.SetTimer(root, 42, 10));
  EXPECT_FALSE(window.host.SetTimer(root, 42, 10));  // already running
  EXPECT_TRUE(PumpUntil([&] { return std::count(log.begin(), log.end(), L"timer 42") >= 2; }, 3000));
  ASSERT_TRUE(window.host.KillTimer(root, 42));
  PumpFor(30);
  log.clear();
  PumpFor(80);
  EXPECT_EQ(std::count(log.begin(), log.end(), L"timer 42"), 0);
  // Restarted, the timer keeps its identifier.
  const UINT_PTR id = window.host.GetTimerTable().Find(root, 42)->systemId;
  ASSERT_TRUE(window.host.SetTimer(root, 42, 10));
  EXPECT_EQ(window.host.GetTimerTable().Find(root, 42)->systemId, id);
}

TEST_F(HostWindowTest, APaintCopiesOnlyTheUpdateRectangle) {
  ASSERT_NE(window.Open(40, 40, 100, 60), nullptr);
  auto* root = new RecordingControl;
  root->SetBkColor(0xFF204060);
  ASSERT_TRUE(window.host.AttachDialog(root));
  ::InvalidateRect(window.GetHWND(), nullptr, FALSE);
  ::UpdateWindow(window.GetHWND());
  const unsigned long long before = window.host.GetPaintedPixelCount();
  EXPECT_GE(before, 100u * 60u);
  RECT small = {10, 10, 20, 15};
  ::InvalidateRect(window.GetHWND(), &small, FALSE);
  ::UpdateWindow(window.GetHWND());
  EXPECT_EQ(window.host.GetPaintedPixelCount() - before, 50u);
}

}  // namespace
