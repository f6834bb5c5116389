#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "duilib/core/CResourceSettingsUI.h"
#include "launcher/ui/VxMessageBox.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/ui/BoxProbe.h"

using namespace Launcher;

using namespace BoxProbe;

namespace {

class MessageBoxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The skin package this program carries, as the driver installs it.
    DuiLib::CResourceSettingsUI::SetInstance(::GetModuleHandleW(nullptr));
    ASSERT_TRUE(DuiLib::CResourceSettingsUI::InstallZipResource(::GetModuleHandleW(nullptr), 101));
  }

  // Shows the box on this thread while `user` acts on it from another one.
  bool Show(const std::wstring& title, MessageBoxMode mode, HWND owner, const std::function<void(HWND)>& user) {
    std::thread person([&] {
      HWND box = WaitForBox(5000);
      if (!box) {
        ADD_FAILURE() << "no box";
        return;
      }
      user(box);
      // Whatever the case did, the box must end so that the test can go on.
      if (!WaitGone(box, 3000)) {
        ADD_FAILURE() << "box still open";
        ::PostMessageW(box, WM_CLOSE, 0, 0);
      }
    });
    const bool answer = ShowMessageBox(title, L"Get Data Failed!", mode, owner);
    person.join();
    EXPECT_EQ(::FindWindowW(L"MessageBox", nullptr), nullptr);
    return answer;
  }
};

TEST_F(MessageBoxTest, OkOnlyShowsOneCentredOkButtonBetweenBorderAndBackground) {
  std::unique_ptr<DibCanvas> shot;
  const bool answer = Show(L"Error", MessageBoxMode::OkOnly, nullptr, [&](HWND box) {
    shot = CaptureWhenPainted(box, 3000);
    Click(box, 185, 162);
  });
  EXPECT_TRUE(answer);
  ASSERT_NE(shot, nullptr) << "the box never showed its border, background and OK button";
  shot->SavePng(TestBinDirectory() + L"message_box_ok_only.png");
  // Border on all four sides, background inside.
  EXPECT_EQ(Rgb(*shot, 0, 100), kBorder);
  EXPECT_EQ(Rgb(*shot, 369, 100), kBorder);
  EXPECT_EQ(Rgb(*shot, 185, 0), kBorder);
  EXPECT_EQ(Rgb(*shot, 185, 207), kBorder);
  EXPECT_EQ(Rgb(*shot, 10, 190), kBackground);
  // OK spans x 125-245 and y 144-180; nothing where Cancel would be.
  EXPECT_EQ(Rgb(*shot, 123, 162), kBackground);
  EXPECT_EQ(Rgb(*shot, 127, 162), kOkFace);
  EXPECT_EQ(Rgb(*shot, 243, 162), kOkFace);
  EXPECT_EQ(Rgb(*shot, 247, 162), kBackground);
  EXPECT_EQ(Rgb(*shot, 130, 142), kBackground);
  EXPECT_EQ(Rgb(*shot, 130, 150), kOkFace);
  EXPECT_EQ(Rgb(*shot, 130, 178), kOkFace);
  EXPECT_EQ(Rgb(*shot, 130, 182), kBackground);
  EXPECT_EQ(Rgb(*shot, 60, 162), kBackground);
  EXPECT_EQ(Rgb(*shot, 300, 162), kBackground);
}

TEST_F(MessageBoxTest, OkCancelShowsBothButtons) {
  std::unique_ptr<DibCanvas> shot;
  Show(L"Error", MessageBoxMode::OkCancel, nullptr, [&](HWND box) {
    shot = CaptureWhenPainted(box, 3000);
    Click(box, 260, 162);
  });
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(Rgb(*shot, 48, 162), kBackground);
  EXPECT_EQ(Rgb(*shot, 52, 162), kOkFace);
  EXPECT_EQ(Rgb(*shot, 168, 162), kOkFace);
  EXPECT_EQ(Rgb(*shot, 185, 162), kBackground);
  EXPECT_EQ(Rgb(*shot, 203, 162), kCancelFace);
  EXPECT_EQ(Rgb(*shot, 317, 162), kCancelFace);
  EXPECT_EQ(Rgb(*shot, 323, 162), kBackground);
  EXPECT_EQ(Rgb(*shot, 210, 150), kCancelFace);
  EXPECT_EQ(Rgb(*shot, 210, 182), kBackground);
}

struct AnswerCase {
  const char* name;
  MessageBoxMode mode;
  std::function<void(HWND)> user;
  bool expected;
};

class MessageBoxAnswerTest : public MessageBoxTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(MessageBoxAnswerTest, ReportsWhetherOkWasClicked) {
  const AnswerCase& c = GetParam();
  EXPECT_EQ(Show(L"Error", c.mode, nullptr,
                 [&](HWND box) {
                   ASSERT_NE(CaptureWhenPainted(box, 3000), nullptr);
                   c.user(box);
                 }),
            c.expected);
}

void Key(HWND box, WPARAM key) {
  ::PostMessageW(box, WM_KEYDOWN, key, 1);
  ::PostMessageW(box, WM_KEYUP, key, 0xC0000001);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageBoxAnswerTest,
    ::testing::Values(
        AnswerCase{"ok_in_ok_only", MessageBoxMode::OkOnly, [](HWND box) { Click(box, 185, 162); }, true},
        AnswerCase{"ok_in_ok_cancel", MessageBoxMode::OkCancel, [](HWND box) { Click(box, 110, 162); }, true},
        AnswerCase{"cancel", MessageBoxMode::OkCancel, [](HWND box) { Click(box, 260, 162); }, false},
        AnswerCase{"close_button", MessageBoxMode::OkCancel, [](HWND box) { Click(box, 352, 18); }, false},
        AnswerCase{"escape", MessageBoxMode::OkCancel, [](HWND box) { Key(box, VK_ESCAPE); }, false},
        // Where Cancel would be, OkOnly has nothing to click.
        AnswerCase{"hidden_cancel_is_not_clickable", MessageBoxMode::OkOnly,
                   [](HWND box) {
                     Click(box, 260, 162);
                     ::Sleep(300);
                     EXPECT_TRUE(::IsWindow(box));
                     Key(box, VK_ESCAPE);
                   },
                   false},
        AnswerCase{"enter_changes_nothing", MessageBoxMode::OkCancel,
                   [](HWND box) {
                     Key(box, VK_RETURN);
                     ::Sleep(300);
                     EXPECT_TRUE(::IsWindow(box));
                     Click(box, 260, 162);
                   },
                   false},
        AnswerCase{"ok_after_enter", MessageBoxMode::OkCancel,
                   [](HWND box) {
                     Key(box, VK_RETURN);
                     ::Sleep(200);
                     Click(box, 110, 162);
                   },
                   true}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

// The title row's pixels (between the left inset and the close button).
std::string TitlePixels(const DibCanvas& shot) {
  std::string pixels;
  for (int y = 4; y < 32; ++y) {
    for (int x = 16; x < 330; ++x) pixels += std::to_string(Rgb(shot, x, y)) + ",";
  }
  return pixels;
}

TEST_F(MessageBoxTest, EmptyTitleKeepsTheSkinsTitle) {
  std::string titles[3];
  int written[3] = {0, 0, 0};
  const wchar_t* given[3] = {L"", L"提示", L"Error"};
  for (int i = 0; i < 3; ++i) {
    Show(given[i], MessageBoxMode::OkOnly, nullptr, [&](HWND box) {
      auto shot = CaptureWhenPainted(box, 3000);
      ::Sleep(100);  // let the text settle too
      shot = CaptureWhenPainted(box, 3000);
      if (!shot) return;
      titles[i] = TitlePixels(*shot);
      for (int y = 4; y < 32; ++y) {
        for (int x = 16; x < 330; ++x) written[i] += Rgb(*shot, x, y) != kBackground;
      }
      Key(box, VK_ESCAPE);
    });
  }
  ASSERT_FALSE(titles[0].empty());
  EXPECT_EQ(titles[0], titles[1]) << "an empty title must show the skin's \"提示\"";
  EXPECT_NE(titles[0], titles[2]);
  // Text is drawn there at all.
  EXPECT_GT(written[0], 20);
  EXPECT_GT(written[2], 20);
}

TEST_F(MessageBoxTest, WithoutOwnerTheBoxIsCentredOnTheWorkArea) {
  RECT rc = {};
  Show(L"Error", MessageBoxMode::OkOnly, nullptr, [&](HWND box) {
    // The box is visible from its creation on, before it is centred; once it
    // has painted, its modal loop runs and it stands where it will stay.
    ASSERT_NE(CaptureWhenPainted(box, 3000), nullptr);
    ::GetWindowRect(box, &rc);
    Key(box, VK_ESCAPE);
  });
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{rc.left, rc.top}, MONITOR_DEFAULTTONEAREST), &info);
  EXPECT_EQ(rc.right - rc.left, kWidth);
  EXPECT_EQ(rc.bottom - rc.top, kHeight);
  EXPECT_EQ(rc.left, (info.rcWork.left + info.rcWork.right) / 2 - kWidth / 2);
  EXPECT_EQ(rc.top, (info.rcWork.top + info.rcWork.bottom) / 2 - kHeight / 2);
}

TEST_F(MessageBoxTest, OwnerIsDisabledWhileOpenAndEnabledAndFocusedAfter) {
  HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 500, 310, nullptr, nullptr,
                                 nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  ::SetForegroundWindow(owner);
  bool enabledWhileOpen = true;
  RECT rc = {};
  Show(L"提示", MessageBoxMode::OkCancel, owner, [&](HWND box) {
    // Painted means the modal loop runs: the box is centred and the owner
    // disabled. Before that, a posted click reaches controls not laid out yet.
    ASSERT_NE(CaptureWhenPainted(box, 3000), nullptr);
    enabledWhileOpen = ::IsWindowEnabled(owner) != FALSE;
    ::GetWindowRect(box, &rc);
    Click(box, 260, 162);
  });
  EXPECT_FALSE(enabledWhileOpen);
  EXPECT_TRUE(::IsWindowEnabled(owner));
  EXPECT_EQ(::GetFocus(), owner);
  // Centred over the owner.
  EXPECT_EQ(rc.left, 100 + 250 - kWidth / 2);
  EXPECT_EQ(rc.top, 100 + 155 - kHeight / 2);
  ::DestroyWindow(owner);
}

// Puts the real cursor on a screen point and waits until it rests there.
// Under Wine the box's thread may still hold pointer events of the display
// from before the cursor was set (the pointer where the box was mapped); when
// it reads them, they move the cursor back. A round trip through the box's
// queue makes it read what is pending; the cursor is set again until it stays.
bool SettleCursor(HWND box, int x, int y) {
  int steady = 0;
  return WaitUntil(
      [&] {
        POINT at;
        if (!::GetCursorPos(&at) || at.x != x || at.y != y) {
          ::SetCursorPos(x, y);
          steady = 0;
        }
        DWORD_PTR ignored;
        ::SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_NORMAL, 500, &ignored);
        steady = ::GetCursorPos(&at) && at.x == x && at.y == y ? steady + 1 : 0;
        return steady >= 3;
      },
      3000);
}

void SendMouse(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof input);
}

// A press at a screen point, moved in four steps by (dx, dy), and released.
void RealClick(HWND box, int x, int y, int dx = 0, int dy = 0) {
  ASSERT_TRUE(SettleCursor(box, x, y));
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 4 && (dx || dy); ++step) {
    ASSERT_TRUE(SettleCursor(box, x + dx * step / 4, y + dy * step / 4));
    SendMouse(MOUSEEVENTF_MOVE);
  }
  SendMouse(MOUSEEVENTF_LEFTUP);
}

TEST_F(MessageBoxTest, PressOnTheTitleLabelDragsThePressOnTheCloseButtonClicks) {
  RECT before = {}, after = {};
  const bool answer = Show(L"Error", MessageBoxMode::OkCancel, nullptr, [&](HWND box) {
    ASSERT_NE(CaptureWhenPainted(box, 3000), nullptr);
    ::GetWindowRect(box, &before);
    RealClick(box, before.left + 100, before.top + 18, 60, 40);
    WaitUntil(
        [&] {
          ::GetWindowRect(box, &after);
          return after.left != before.left;
        },
        2000);
    // The close button, with the real mouse, at its new place.
    RealClick(box, after.left + 352, after.top + 18);
  });
  EXPECT_FALSE(answer);
  EXPECT_EQ(after.left - before.left, 60);
  EXPECT_EQ(after.top - before.top, 40);
}

}  // namespace
