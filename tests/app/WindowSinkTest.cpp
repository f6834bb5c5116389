#include "launcher/app/WindowSink.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "base/UniqueWindow.h"
#include "launcher/update/UpdateControl.h"

using namespace Launcher;

namespace {

// A real window on the test's thread that keeps what the update posts it.
class Recipient {
 public:
  struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  Recipient() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &Recipient::Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"WindowSinkRecipient";
    ::RegisterClassW(&windowClass);
    window_.Reset(::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                    windowClass.hInstance, this));
  }
  HWND Window() const { return window_.Get(); }
  // Everything posted, once what was posted before now has arrived.
  const std::vector<Posted>& Drain() {
    MSG msg;
    while (::PeekMessageW(&msg, window_.Get(), 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    return posted_;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<Recipient*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message >= WM_UPDATE_DOWNLOAD_FAILED) {
      self->posted_.push_back({message, wParam, lParam});
      return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  UniqueWindow window_;
  std::vector<Posted> posted_;
};

constexpr std::uint64_t kGiB = 1ull << 30;

TEST(WindowSink, ScalesOnlyATotalBeyond32Bits) {
  const struct {
    std::uint64_t received, total;
    std::uint32_t wParam, lParam;
  } rows[] = {
      {0, 0, 0, 0},
      {123456, 0, 123456, 0},        // no total: the count as it is
      {5 * kGiB, 0, UINT32_MAX, 0},  // no total, past 32 bits: held at the top
      {1000, 2000, 1000, 2000},
      {UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX},  // 4 GiB - 1: still unscaled
      {4 * kGiB, 4 * kGiB, 2 * kGiB, 2 * kGiB},          // exactly 4 GiB: one bit
      {3 * kGiB, 6 * kGiB, 1536u << 20, 3 * kGiB},       // half of 6 GiB stays half
      {(8 * kGiB) + 5, 16 * kGiB, 1 * kGiB, 2 * kGiB},   // four bits
      {7, 6 * kGiB, 3, 3 * kGiB},
      {1ull << 50, 1ull << 50, 1u << 31, 1u << 31},
      {UINT64_MAX, UINT64_MAX, UINT32_MAX, UINT32_MAX},
  };
  for (const auto& row : rows) {
    std::uint32_t wParam = 1, lParam = 1;
    WindowSink::Scale(row.received, row.total, wParam, lParam);
    EXPECT_EQ(wParam, row.wParam) << row.received << " of " << row.total;
    EXPECT_EQ(lParam, row.lParam) << row.received << " of " << row.total;
  }
}

// What a real window receives for the reports of one update: a download that
// starts over, resumes, or learns a total; the count never goes back, and
// the end comes as its one final message.
TEST(WindowSink, PostsCountsThatNeverGoBackThenTheEnd) {
  using Report = std::pair<std::uint64_t, std::uint64_t>;
  using Posted = std::pair<std::uint32_t, std::uint32_t>;
  const struct {
    const char* name;
    std::vector<Report> reports;
    std::vector<Posted> posted;
  } rows[] = {
      {"plain", {{0, 1000}, {400, 1000}, {1000, 1000}}, {{0, 1000}, {400, 1000}, {1000, 1000}}},
      {"started over",
       {{600, 1000}, {0, 1000}, {300, 1000}, {700, 1000}},
       {{600, 1000}, {600, 1000}, {600, 1000}, {700, 1000}}},
      {"resumed", {{500, 1000}, {500, 1000}, {800, 1000}}, {{500, 1000}, {500, 1000}, {800, 1000}}},
      {"unknown total", {{10, 0}, {20, 0}, {5, 0}}, {{10, 0}, {20, 0}, {20, 0}}},
      {"6 GiB, cut and resumed",
       {{2 * kGiB, 6 * kGiB}, {kGiB, 6 * kGiB}, {6 * kGiB, 6 * kGiB}},
       {{kGiB, 3 * kGiB}, {kGiB, 3 * kGiB}, {3 * kGiB, 3 * kGiB}}},
      // A changed file of another size changes the shift; the count still
      // does not go back.
      {"total changes the shift",
       {{3 * kGiB, 3 * kGiB}, {0, 6 * kGiB}, {4 * kGiB, 6 * kGiB}},
       {{3 * kGiB, 3 * kGiB}, {3 * kGiB, 3 * kGiB}, {3 * kGiB, 3 * kGiB}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Recipient window;
    WindowSink sink(window.Window());
    for (const Report& report : row.reports) sink.OnProgress(report.first, report.second);
    sink.OnFinished(UpdateEnd::Installed, Status::Ok());
    std::vector<Posted> posted;
    const std::vector<Recipient::Posted>& received = window.Drain();
    ASSERT_EQ(received.size(), row.reports.size() + 1);
    for (size_t i = 0; i < row.reports.size(); ++i) {
      EXPECT_EQ(received[i].message, WM_UPDATE_PROGRESS);
      posted.emplace_back(static_cast<std::uint32_t>(received[i].wParam),
                          static_cast<std::uint32_t>(received[i].lParam));
    }
    EXPECT_EQ(received.back().message, WM_UPDATE_INSTALL_DONE);
    EXPECT_EQ(posted, row.posted);
  }
}

TEST(WindowSink, EachEndIsItsOwnFinalMessage) {
  const std::pair<UpdateEnd, UINT> rows[] = {{UpdateEnd::DownloadFailed, WM_UPDATE_DOWNLOAD_FAILED},
                                             {UpdateEnd::InstallFailed, WM_UPDATE_INSTALL_FAILED},
                                             {UpdateEnd::Installed, WM_UPDATE_INSTALL_DONE}};
  for (const auto& [end, message] : rows) {
    Recipient window;
    WindowSink(window.Window()).OnFinished(end, Status::Failed("Step", L"x"));
    const std::vector<Recipient::Posted>& received = window.Drain();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, message);
    EXPECT_EQ(received[0].wParam, 0u);
    EXPECT_EQ(received[0].lParam, 0);
  }
}

}  // namespace
