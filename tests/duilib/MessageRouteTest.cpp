// The routing tables of the skinned windows: which row runs, what it is
// handed, and what a message without a row gets.
#include <windows.h>

#include <gtest/gtest.h>

#include "duilib/core/MessageRoute.h"

namespace {

struct Recorder {
  UINT seenMessage = 0;
  WPARAM seenWParam = 0;
  LPARAM seenLParam = 0;
  bool handledOnEntry = false;
  int calls = 0;

  LRESULT Takes(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    ++calls;
    seenMessage = message;
    seenWParam = wParam;
    seenLParam = lParam;
    handledOnEntry = handled;
    return 7;
  }
  LRESULT PassesOn(UINT, WPARAM, LPARAM, bool& handled) {
    ++calls;
    handled = false;
    return 9;
  }
  LRESULT Second(UINT, WPARAM, LPARAM, bool&) {
    calls += 100;
    return 11;
  }
};

const DuiLib::MessageRoute<Recorder> kTable[] = {
    {WM_CREATE, &Recorder::Takes},
    {WM_CLOSE, &Recorder::PassesOn},
    {WM_SIZE, DuiLib::kSwallowed},
    {WM_CREATE, &Recorder::Second},  // a later row of the same message never runs
};

struct RouteCase {
  UINT message;
  LRESULT result;
  bool handled;
  int calls;
};

TEST(MessageRoute, RunsTheFirstRowOfTheMessageAndTellsWhetherItWasTaken) {
  const RouteCase cases[] = {
      {WM_CREATE, 7, true, 1},  // the handler's answer, flag left true
      {WM_CLOSE, 9, false, 1},  // the handler cleared the flag
      {WM_SIZE, 0, true, 0},    // swallowed: no handler, 0, taken
      {WM_PAINT, 0, false, 0},  // no row
  };
  for (const RouteCase& c : cases) {
    SCOPED_TRACE(c.message);
    Recorder window;
    bool handled = !c.handled;  // the router sets it either way
    const LRESULT result = DuiLib::RouteMessage(window, kTable, c.message, 3, 4, handled);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(handled, c.handled);
    EXPECT_EQ(window.calls, c.calls);
  }
}

TEST(MessageRoute, TheHandlerGetsTheMessageItsParametersAndAFlagThatStartsTrue) {
  Recorder window;
  bool handled = false;
  DuiLib::RouteMessage(window, kTable, WM_CREATE, 0x1234, -5, handled);
  EXPECT_EQ(window.seenMessage, static_cast<UINT>(WM_CREATE));
  EXPECT_EQ(window.seenWParam, static_cast<WPARAM>(0x1234));
  EXPECT_EQ(window.seenLParam, -5);
  EXPECT_TRUE(window.handledOnEntry);
}

}  // namespace
