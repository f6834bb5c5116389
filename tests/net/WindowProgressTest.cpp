#include "launcher/net/WindowProgress.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "launcher/update/UpdateMessages.h"
#include "tests/update/MessageRecorder.h"

using namespace Launcher;

namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

TEST(WindowProgress, ScalesOnlyATotalBeyond32Bits) {
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
    WindowProgress::Scale(row.received, row.total, wParam, lParam);
    EXPECT_EQ(wParam, row.wParam) << row.received << " of " << row.total;
    EXPECT_EQ(lParam, row.lParam) << row.received << " of " << row.total;
  }
}

// What a real window receives for the reports of one update: a download that
// starts over, resumes, or learns a total; the count never goes back.
TEST(WindowProgress, PostsCountsThatNeverGoBack) {
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
    MessageRecorder window;
    WindowProgress progress(window.Window());
    for (const Report& report : row.reports) progress.OnProgress(report.first, report.second);
    ::PostMessageW(window.Window(), WM_UPDATE_INSTALL_DONE, 0, 0);
    ASSERT_TRUE(window.PumpUntilFinal(5000));
    std::vector<Posted> posted;
    for (const MessageRecorder::Posted& p : window.Messages()) {
      if (p.message == WM_UPDATE_PROGRESS) {
        posted.emplace_back(static_cast<std::uint32_t>(p.wParam), static_cast<std::uint32_t>(p.lParam));
      }
    }
    EXPECT_EQ(posted, row.posted);
  }
}

}  // namespace
