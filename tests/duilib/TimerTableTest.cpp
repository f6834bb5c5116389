#include <gtest/gtest.h>

#include <vector>

#include "duilib/control/CControlUI.h"
#include "duilib/core/CTimerTableUI.h"
#include "tests/duilib/MessagePump.h"

using DuiLib::CControlUI;
using DuiLib::CTimerTableUI;

namespace {

struct PlainWindow {
  HWND hwnd = ::CreateWindowExW(0, L"STATIC", L"timers", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ~PlainWindow() {
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
  }
};

enum class Op { Start, Stop, RemoveControl };

struct Step {
  Op op;
  int control;  // index into the test's controls
  UINT localId;
  bool expectOk;
  UINT_PTR expectSystemId;  // the record's identifier afterwards (0: no record)
  bool expectRunning;
};

struct TimerCase {
  const char* name;
  std::vector<Step> steps;
};

class TimerTableTest : public ::testing::TestWithParam<TimerCase> {};

TEST_P(TimerTableTest, IdentifiersFollowTheCounterAndStoppedRecordsKeepTheirs) {
  PlainWindow window;
  ASSERT_NE(window.hwnd, nullptr);
  CControlUI controls[2];
  CTimerTableUI table;
  EXPECT_EQ(table.Counter(), 0x1000u);
  for (size_t i = 0; i < GetParam().steps.size(); ++i) {
    const Step& step = GetParam().steps[i];
    CControlUI* control = &controls[step.control];
    bool ok = true;
    switch (step.op) {
      case Op::Start:
        ok = table.Start(window.hwnd, control, step.localId, 1000);
        break;
      case Op::Stop:
        ok = table.Stop(control, step.localId);
        break;
      case Op::RemoveControl:
        table.RemoveControl(control);
        break;
    }
    SCOPED_TRACE(testing::Message() << "step " << i);
    EXPECT_EQ(ok, step.expectOk);
    const CTimerTableUI::Record* record = table.Find(control, step.localId);
    if (step.expectSystemId == 0) {
      EXPECT_EQ(record, nullptr);
      continue;
    }
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->systemId, step.expectSystemId);
    EXPECT_EQ(record->stopped, !step.expectRunning);
    EXPECT_EQ(table.FindRunning(window.hwnd, step.expectSystemId) == record, step.expectRunning);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimerTableTest,
    ::testing::Values(
        TimerCase{
            "first_identifiers",
            {{Op::Start, 0, 1, true, 17, true}, {Op::Start, 0, 2, true, 18, true}, {Op::Start, 1, 1, true, 19, true}}},
        TimerCase{
            "running_timer_is_not_started_twice",
            {{Op::Start, 0, 1, true, 17, true}, {Op::Start, 0, 1, false, 17, true}, {Op::Start, 0, 2, true, 18, true}}},
        TimerCase{"restart_keeps_identifier",
                  {{Op::Start, 0, 1, true, 17, true},
                   {Op::Start, 0, 2, true, 18, true},
                   {Op::Stop, 0, 1, true, 17, false},
                   {Op::Stop, 0, 1, false, 17, false},
                   {Op::Start, 0, 1, true, 17, true},
                   {Op::Start, 1, 1, true, 19, true}}},
        TimerCase{"stop_of_unknown_timer_fails", {{Op::Stop, 0, 9, false, 0, false}}},
        TimerCase{"remove_control_forgets_every_record",
                  {{Op::Start, 0, 1, true, 17, true},
                   {Op::Stop, 0, 1, true, 17, false},
                   {Op::RemoveControl, 0, 1, true, 0, false},
                   {Op::Start, 0, 1, true, 18, true}}}),
    [](const ::testing::TestParamInfo<TimerCase>& info) { return std::string(info.param.name); });

TEST(TimerTable, IdentifiersWrapAfter254ToZero) {
  PlainWindow window;
  CControlUI control;
  CTimerTableUI table;
  std::vector<UINT_PTR> ids;
  for (UINT n = 0; n < 240; ++n) {
    ASSERT_TRUE(table.Start(window.hwnd, &control, n, 100000));
    ids.push_back(table.Find(&control, n)->systemId);
  }
  EXPECT_EQ(ids.front(), 17u);
  EXPECT_EQ(ids[237], 254u);
  EXPECT_EQ(ids[238], 0u);
  EXPECT_EQ(ids[239], 1u);
}

TEST(TimerTable, RefusedSystemTimerAddsNoRecord) {
  HWND gone = PlainWindow().hwnd;  // destroyed at once
  CControlUI control;
  CTimerTableUI table;
  EXPECT_FALSE(table.Start(gone, &control, 1, 10));
  EXPECT_EQ(table.Size(), 0u);
  EXPECT_EQ(table.Find(&control, 1), nullptr);
}

TEST(TimerTable, SystemTimerFiresUnderTheRecordsIdentifier) {
  PlainWindow window;
  CControlUI control;
  CTimerTableUI table;
  ASSERT_TRUE(table.Start(window.hwnd, &control, 7, 10));
  bool seen = false;
  const DWORD start = ::GetTickCount();
  while (!seen && ::GetTickCount() - start < 3000) {
    MSG msg;
    if (::PeekMessageW(&msg, window.hwnd, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      seen = msg.wParam == 17;
    } else {
      ::Sleep(5);
    }
  }
  EXPECT_TRUE(seen);
  ASSERT_TRUE(table.Stop(&control, 7));
  // A stopped record's system timer no longer fires.
  MSG msg;
  while (::PeekMessageW(&msg, window.hwnd, WM_TIMER, WM_TIMER, PM_REMOVE)) {
  }
  ::Sleep(60);
  EXPECT_FALSE(::PeekMessageW(&msg, window.hwnd, WM_TIMER, WM_TIMER, PM_REMOVE));
}

}  // namespace
