// The update window in this process, on a UI thread of its own as the
// launcher's main thread runs it, read back by its pixels and driven by real
// posted messages from the test's thread. Its update is the app's own
// (WindowUpdate), over the test folder as the installation, downloading from
// a loopback port that accepts and never answers, so the update stays
// running until the test posts the update's messages itself.
#include "launcher/ui/MainWindow.h"

#include <winsock2.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "duilib/core/CMessageLoopUI.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "launcher/app/WindowUpdate.h"
#include "launcher/service/ProductLauncher.h"
#include "launcher/update/UpdateControl.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/ui/UpdateWindowProbe.h"

using namespace Launcher;

using namespace UpdateProbe;

namespace {

// A loopback port whose connections wait in the backlog, never accepted or
// answered: a download from it neither progresses nor fails.
class SilentServer {
 public:
  SilentServer() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(socket_, SOMAXCONN);
    int length = sizeof address;
    ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  // A name of its own for each window: the update of an earlier window still
  // waits for its answer and holds its package file, which stays for a
  // later start to resume (the first window of a run removes those an
  // earlier run left).
  std::wstring Url() const {
    static int windows = 0;
    if (windows == 0) {
      WIN32_FIND_DATAW found;
      const HANDLE find = ::FindFirstFileW((TestBinDirectory() + L"Tarvo_1.0.0.10-*.7z").c_str(), &found);
      if (find != INVALID_HANDLE_VALUE) {
        do {
          ::DeleteFileW((TestBinDirectory() + found.cFileName).c_str());
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
      }
    }
    return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/held/Tarvo_1.0.0.10-" + std::to_wstring(++windows) +
           L".7z";
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  unsigned port_ = 0;
};

// One update window on its own UI thread, shown the way the driver shows it,
// with the toolkit's message loop running until the window is gone.
class WindowThread {
 public:
  explicit WindowThread(const std::wstring& notes) {
    static SilentServer server;
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    thread_ = std::thread([this, notes, url = server.Url(), &created] {
      ::CoInitialize(nullptr);
      // The download never ends, so the signature is never checked: any text
      // gets the offer past its bounds.
      WindowUpdate control(std::make_shared<const Installation>(TestBinDirectory()),
                           UpdateOffer{L"1.0.0.10", OfferedPackage{url, L"never checked"}}, ProductHold::None);
      MainWindow update(notes, control);
      if (!ShowUpdateWindow(update)) {
        created.set_value(nullptr);
        return;
      }
      created.set_value(update.GetHWND());
      quitCode_ = DuiLib::CMessageLoopUI::RunMessageLoop();
      ended_ = true;
    });
    window_ = window.get();
  }
  ~WindowThread() {
    // A window still open is ended the quiet way: as after an installed update.
    if (!ended_ && ::IsWindow(window_)) ::PostMessageW(window_, WM_UPDATE_INSTALL_DONE, 0, 0);
    thread_.join();
  }

  HWND Window() const { return window_; }
  // True when the message loop ended (the window posted its quit message).
  bool WaitEnded(DWORD milliseconds) {
    return WaitUntil([&] { return ended_.load(); }, milliseconds);
  }
  int QuitCode() const { return quitCode_; }

 private:
  std::thread thread_;
  HWND window_ = nullptr;
  std::atomic<bool> ended_{false};
  int quitCode_ = -1;
};

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    DuiLib::CResourceSettingsUI::SetInstance(::GetModuleHandleW(nullptr));
    ASSERT_TRUE(HomePageLog::Install());
  }
  void SetUp() override {
    HomePageLog::Clear();
    ASSERT_EQ(CountMessageBoxes(::GetCurrentProcessId()), 0);
  }
};

void Post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  ASSERT_TRUE(::PostMessageW(window, message, wParam, lParam));
}

HWND WaitForBox() {
  return WaitForBoxOf(::GetCurrentProcessId(), 5000);
}

TEST_F(MainWindowTest, ShowsASizedCentredPopupWithoutSizingFrameOrMaximiseBox) {
  WindowThread ui(L"notes");
  ASSERT_NE(ui.Window(), nullptr);
  const DWORD style = static_cast<DWORD>(::GetWindowLongW(ui.Window(), GWL_STYLE));
  EXPECT_EQ(style & WS_THICKFRAME, 0u);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0u);
  EXPECT_EQ(style & WS_CAPTION, 0u);
  EXPECT_NE(style & WS_POPUP, 0u);
  wchar_t title[64] = {};
  ::GetWindowTextW(ui.Window(), title, 64);
  EXPECT_STREQ(title, L"Tarvo Game Booster Upgrade Version");
  RECT rc;
  ::GetWindowRect(ui.Window(), &rc);
  EXPECT_EQ(rc.right - rc.left, kWidth);
  EXPECT_EQ(rc.bottom - rc.top, kHeight);
  RECT work;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(rc.left, (work.left + work.right) / 2 - kWidth / 2);
  EXPECT_EQ(rc.top, (work.top + work.bottom) / 2 - kHeight / 2);

  auto shot = Capture(ui.Window());
  ASSERT_NE(shot, nullptr);
  shot->SavePng(TestBinDirectory() + L"update_window_start.png");
  EXPECT_EQ(BarWidth(*shot), 0);
}

TEST_F(MainWindowTest, CaptionDragsExceptOnTheCloseButton) {
  WindowThread ui(L"notes");
  // Controls have their places once the window has painted.
  ASSERT_NE(Capture(ui.Window()), nullptr);
  RECT rc;
  ::GetWindowRect(ui.Window(), &rc);
  struct Case {
    POINT at;
    LRESULT hit;
  };
  for (const Case& c : {Case{kTitleText, HTCAPTION}, Case{{18, 18}, HTCAPTION}, Case{kCloseButton, HTCLIENT},
                        Case{{200, 100}, HTCLIENT}, Case{{200, 274}, HTCLIENT}}) {
    const LPARAM screen = MAKELPARAM(rc.left + c.at.x, rc.top + c.at.y);
    EXPECT_EQ(::SendMessageW(ui.Window(), WM_NCHITTEST, 0, screen), c.hit) << c.at.x << "," << c.at.y;
  }
}

// Progress rows in the order they are posted; each gives the bar width and
// the percent the state line must then show, or keeps the previous ones.
struct ProgressRow {
  std::uint32_t done;
  std::uint32_t total;
  int width;
  int percent;
};

TEST_F(MainWindowTest, ProgressMovesTheBarAndTheStateLine) {
  WindowThread ui(L"notes");
  auto first = Capture(ui.Window());
  ASSERT_NE(first, nullptr);
  // The state line at each percent seen, to compare later rows against.
  std::map<int, std::vector<DWORD>> stateAt = {{0, Region(*first, kStateLabel)}};
  const ProgressRow rows[] = {
      {0, 0, 0, 0},                               // no total yet: nothing moves
      {5, 10, 250, 50},                           //
      {0, 0, 250, 50},                            // a total of 0 later on changes nothing
      {7, 5, 250, 50},                            // more done than expected: ignored
      {9, 10, 450, 90},                           //
      {10, 10, 500, 100},                         //
      {1, 3, 165, 33},                            // truncated
      {43'000'001, 86'000'002, 250, 50},          // above 43 million bytes done × 100 needs 64 bits
      {45'000'000, 50'000'000, 450, 90},          //
      {3'000'000'000u, 4'000'000'000u, 375, 75},  // totals of 2 GiB and more count too
      {1, 0x80000000u, 0, 0},                     //
  };
  for (const ProgressRow& row : rows) {
    SCOPED_TRACE(std::to_string(row.done) + " of " + std::to_string(row.total));
    Post(ui.Window(), WM_UPDATE_PROGRESS, row.done, static_cast<LPARAM>(row.total));
    EXPECT_EQ(WaitForBarWidth(ui.Window(), row.width, 2000), row.width);
    ::Sleep(150);  // a row that changes nothing has had its turn too
    auto shot = Capture(ui.Window());
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(BarWidth(*shot), row.width);
    const std::vector<DWORD> state = Region(*shot, kStateLabel);
    if (stateAt.count(row.percent)) {
      EXPECT_EQ(state, stateAt[row.percent]) << "the state line differs from its earlier " << row.percent << "%";
    } else {
      for (const auto& [percent, other] : stateAt) {
        EXPECT_NE(state, other) << row.percent << "% reads like " << percent << "%";
      }
      stateAt[row.percent] = state;
    }
    if (row.done == 5) shot->SavePng(TestBinDirectory() + L"update_window_50.png");
  }
}

TEST_F(MainWindowTest, NotesSplitAtBarsIntoLinesKeepingEmptyOnes) {
  // Rows of the notes area holding white text ink, grouped into lines; each
  // line's last ink row is its base line, the same for a, b and c.
  auto baseLines = [](const DibCanvas& shot) {
    std::vector<int> bases;
    bool inLine = false;
    for (int y = kNotes.top; y < kNotes.bottom; ++y) {
      bool ink = false;
      for (int x = kNotes.left; x < kNotes.left + 100 && !ink; ++x) ink = (Rgb(shot, x, y) & 0xFF) > 0xA0;
      if (!ink && inLine) bases.push_back(y - 1);
      inLine = ink;
    }
    return bases;
  };
  WindowThread ui(L"a|b||c");
  auto shot = Capture(ui.Window());
  ASSERT_NE(shot, nullptr);
  ::Sleep(300);
  shot = Capture(ui.Window());
  shot->SavePng(TestBinDirectory() + L"update_window_notes.png");
  const std::vector<int> bases = baseLines(*shot);
  ASSERT_EQ(bases.size(), 3u) << "three lines with text";
  const int line = bases[1] - bases[0];
  EXPECT_GT(line, 8);
  EXPECT_EQ(bases[2] - bases[1], 2 * line) << "an empty third line between b and c";
}

// How the user answers the confirmation: a click at a point of the box, or a key.
struct Answer {
  const char* name;
  POINT click;  // {0,0}: press Escape instead
  bool ends;
};

class CloseButtonTest : public MainWindowTest, public ::testing::WithParamInterface<Answer> {};

TEST_P(CloseButtonTest, AsksAndEndsOnlyOnOk) {
  const Answer& answer = GetParam();
  WindowThread ui(L"notes");
  ASSERT_NE(Capture(ui.Window()), nullptr);
  Click(ui.Window(), kCloseButton);
  HWND box = WaitForBox();
  ASSERT_NE(box, nullptr) << "no confirmation";
  EXPECT_EQ(::GetWindow(box, GW_OWNER), ui.Window());
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(ui.Window()); }, 2000))
      << "the window must wait for the answer";
  ::Sleep(300);
  if (answer.click.x) {
    Click(box, answer.click);
  } else {
    PressKey(box, VK_ESCAPE);
  }
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 3000));
  if (answer.ends) {
    EXPECT_TRUE(ui.WaitEnded(3000)) << "the launcher's loop goes on";
    EXPECT_EQ(ui.QuitCode(), 0);
    EXPECT_FALSE(::IsWindow(ui.Window()));
  } else {
    ::Sleep(300);
    ASSERT_TRUE(::IsWindow(ui.Window()));
    EXPECT_TRUE(::IsWindowEnabled(ui.Window()));
    // Still running: progress keeps moving the bar.
    Post(ui.Window(), WM_UPDATE_PROGRESS, 5, 10);
    EXPECT_EQ(WaitForBarWidth(ui.Window(), 250, 2000), 250);
  }
  EXPECT_TRUE(HomePageLog::Addresses().empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, CloseButtonTest,
                         ::testing::Values(Answer{"Cancel", {260, 162}, false},
                                           Answer{"BoxCloseButton", {352, 18}, false}, Answer{"Escape", {0, 0}, false},
                                           Answer{"Ok", {110, 162}, true}),
                         [](const ::testing::TestParamInfo<Answer>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, EscapeCloseRequestsAndCaptionDoubleClickDoNothingWhileRunning) {
  WindowThread ui(L"notes");
  ASSERT_NE(Capture(ui.Window()), nullptr);
  RECT before;
  ::GetWindowRect(ui.Window(), &before);
  PressKey(ui.Window(), VK_ESCAPE);
  Post(ui.Window(), WM_CLOSE);
  Post(ui.Window(), WM_SYSCOMMAND, SC_CLOSE);
  Post(ui.Window(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(before.left + kTitleText.x, before.top + kTitleText.y));
  Post(ui.Window(), WM_UPDATE_PROGRESS, 1, 2);
  EXPECT_EQ(WaitForBarWidth(ui.Window(), 250, 2000), 250);
  ::Sleep(300);
  ASSERT_TRUE(::IsWindow(ui.Window()));
  EXPECT_FALSE(::IsZoomed(ui.Window()));
  RECT after;
  ::GetWindowRect(ui.Window(), &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
  EXPECT_EQ(CountMessageBoxes(::GetCurrentProcessId()), 0);
}

struct Failure {
  const char* name;
  UINT message;
};

class FailureTest : public MainWindowTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(FailureTest, TellsTheUserOpensTheHomePageOnceAndCloses) {
  WindowThread ui(L"notes");
  ASSERT_NE(Capture(ui.Window()), nullptr);
  Post(ui.Window(), GetParam().message);
  HWND box = WaitForBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(::GetWindow(box, GW_OWNER), ui.Window());
  // The update is over: the close button asks nothing any more, even though
  // a posted click reaches the disabled window.
  Click(ui.Window(), kCloseButton);
  Post(ui.Window(), WM_UPDATE_PROGRESS, 1, 2);
  EXPECT_EQ(WaitForBarWidth(ui.Window(), 250, 2000), 250);
  ::Sleep(300);
  EXPECT_EQ(CountMessageBoxes(::GetCurrentProcessId()), 1);
  EXPECT_TRUE(::IsWindow(ui.Window()));
  EXPECT_TRUE(HomePageLog::Addresses().empty()) << "the home page opens after the answer";
  // Cancel: the home page opens all the same.
  Click(box, {260, 162});
  EXPECT_TRUE(ui.WaitEnded(5000));
  EXPECT_EQ(ui.QuitCode(), 0);
  const auto addresses = HomePageLog::WaitForAddresses(1, 10000);
  EXPECT_EQ(addresses, std::vector<std::string>{Narrow(ProductHomePage())});
  EXPECT_EQ(Narrow(ProductHomePage()), "http://" + Narrow(LAUNCHER_HOMEPAGE_HOST) + "/?oemid=169");
}

INSTANTIATE_TEST_SUITE_P(Messages, FailureTest,
                         ::testing::Values(Failure{"DownloadFailed", WM_UPDATE_DOWNLOAD_FAILED},
                                           Failure{"InstallFailed", WM_UPDATE_INSTALL_FAILED}),
                         [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, InstallDoneClosesWithoutAskingAndCloseButtonThenDoesNothing) {
  WindowThread ui(L"notes");
  ASSERT_NE(Capture(ui.Window()), nullptr);
  Post(ui.Window(), WM_UPDATE_INSTALL_DONE);
  Click(ui.Window(), kCloseButton);
  EXPECT_TRUE(ui.WaitEnded(5000));
  EXPECT_EQ(ui.QuitCode(), 0);
  ::Sleep(300);
  EXPECT_EQ(CountMessageBoxes(::GetCurrentProcessId()), 0);
  EXPECT_TRUE(HomePageLog::Addresses().empty());
}

}  // namespace
