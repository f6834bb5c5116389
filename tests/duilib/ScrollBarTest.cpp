#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "duilib/control/CScrollBarUI.h"
#include "tests/duilib/DibCanvas.h"

using namespace DuiLib;

namespace {

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& rc) {
  return "(" + std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
         std::to_string(rc.bottom) + ")";
}

struct GeometryCase {
  const char* what;
  RECT bar;
  bool horizontal;
  int thickness, range, pos;
  bool show1, show2;
  RECT button1, button2, thumb;
};

constexpr RECT kEmpty = {0, 0, 0, 0};

const GeometryCase kGeometry[] = {
    {"range 0: the thumb fills the track",
     {0, 0, 16, 200},
     false,
     16,
     0,
     0,
     true,
     true,
     {0, 0, 16, 16},
     {0, 184, 16, 200},
     {0, 16, 16, 184}},
    {"shorter than three thicknesses: half-length buttons, no thumb",
     {0, 0, 16, 20},
     false,
     16,
     100,
     0,
     true,
     true,
     {0, 0, 10, 10},
     {0, 10, 10, 20},
     kEmpty},
    {"exactly three thicknesses has no room either",
     {0, 0, 16, 48},
     false,
     16,
     100,
     0,
     true,
     true,
     {0, 0, 16, 16},
     {0, 32, 16, 48},
     kEmpty},
    {"thumb length 200*168/300 at the top",
     {0, 0, 16, 200},
     false,
     16,
     100,
     0,
     true,
     true,
     {0, 0, 16, 16},
     {0, 184, 16, 200},
     {0, 16, 16, 128}},
    {"thumb half way",
     {0, 0, 16, 200},
     false,
     16,
     100,
     50,
     true,
     true,
     {0, 0, 16, 16},
     {0, 184, 16, 200},
     {0, 44, 16, 156}},
    {"thumb at the end touches button 2",
     {0, 0, 16, 200},
     false,
     16,
     100,
     100,
     true,
     true,
     {0, 0, 16, 16},
     {0, 184, 16, 200},
     {0, 72, 16, 184}},
    {"a position beyond the range is the end",
     {0, 0, 16, 200},
     false,
     16,
     100,
     150,
     true,
     true,
     {0, 0, 16, 16},
     {0, 184, 16, 200},
     {0, 72, 16, 184}},
    {"huge range: the thumb keeps the thickness",
     {0, 0, 16, 200},
     false,
     16,
     100000000,
     100000000,
     true,
     true,
     {0, 0, 16, 16},
     {0, 184, 16, 200},
     {0, 168, 16, 184}},
    {"offset bar",
     {100, 50, 106, 250},
     false,
     6,
     0,
     0,
     true,
     true,
     {100, 50, 106, 56},
     {100, 244, 106, 250},
     {100, 56, 106, 244}},
    {"no buttons", {0, 0, 16, 100}, false, 16, 0, 0, false, false, {0, 0, 0, 0}, {0, 100, 0, 100}, {0, 0, 16, 100}},
    {"horizontal, half way",
     {0, 0, 200, 16},
     true,
     16,
     100,
     50,
     true,
     true,
     {0, 0, 16, 16},
     {184, 0, 200, 16},
     {44, 0, 156, 16}},
};

TEST(ScrollBarGeometry, Table) {
  for (const GeometryCase& c : kGeometry) {
    const CScrollBarUI::Parts parts =
        CScrollBarUI::LayoutParts(c.bar, c.horizontal, c.thickness, c.range, c.pos, c.show1, c.show2);
    EXPECT_TRUE(parts.button1 == c.button1) << c.what << ": button 1 " << Show(parts.button1);
    EXPECT_TRUE(parts.button2 == c.button2) << c.what << ": button 2 " << Show(parts.button2);
    if (c.thumb.right <= c.thumb.left) {
      EXPECT_TRUE(parts.thumb.right <= parts.thumb.left || parts.thumb.bottom <= parts.thumb.top)
          << c.what << ": thumb " << Show(parts.thumb);
    } else {
      EXPECT_TRUE(parts.thumb == c.thumb) << c.what << ": thumb " << Show(parts.thumb);
    }
  }
}

struct PositionCase {
  std::vector<std::pair<const wchar_t*, const wchar_t*>> attributes;
  int expected;
};

TEST(ScrollBarPosition, AttributesTable) {
  const PositionCase cases[] = {
      {{{L"range", L"100"}, {L"value", L"150"}}, 100},
      {{{L"range", L"100"}, {L"value", L"-5"}}, 0},
      {{{L"range", L"100"}, {L"value", L"42"}}, 42},
      {{{L"scrollunit", L"10"}, {L"value", L"14"}}, 10},
      {{{L"scrollunit", L"10"}, {L"value", L"15"}}, 20},
      {{{L"range", L"95"}, {L"scrollunit", L"10"}, {L"value", L"96"}}, 95},
      {{{L"value", L"60"}, {L"range", L"40"}}, 40},
      {{{L"range", L"-3"}, {L"value", L"5"}}, 0},
  };
  for (const PositionCase& c : cases) {
    CScrollBarUI bar;
    std::wstring text;
    for (const auto& [name, value] : c.attributes) {
      bar.SetAttribute(name, value);
      text += std::wstring(name) + L"=" + value + L" ";
    }
    EXPECT_EQ(bar.GetScrollPos(), c.expected) << std::string(text.begin(), text.end());
  }
}

TEST(ScrollBarPosition, StepSizesAndNegativeSettings) {
  CScrollBarUI bar;
  EXPECT_EQ(bar.GetScrollStepSize(), 8);
  bar.SetAttribute(L"linesize", L"-4");
  EXPECT_EQ(bar.GetLineSize(), 8);
  bar.SetAttribute(L"linesize", L"12");
  EXPECT_EQ(bar.GetScrollStepSize(), 12);
  bar.SetAttribute(L"scrollunit", L"10");
  EXPECT_EQ(bar.GetScrollStepSize(), 10);
  bar.SetAttribute(L"scrollunit", L"-1");
  EXPECT_EQ(bar.GetScrollUnit(), 10);
  EXPECT_EQ(bar.GetFixedWidth(), 16);
  bar.SetAttribute(L"hor", L"true");
  EXPECT_TRUE(bar.IsHorizontal());
  EXPECT_EQ(bar.GetFixedHeight(), 16);
  bar.SetAttribute(L"hor", L"True");  // only the exact "true" is true
  EXPECT_FALSE(bar.IsHorizontal());
}

// A bar without an owner or window, driven by the events the host would send.
class ScrollBarMouse : public ::testing::Test {
 protected:
  void SetUp() override {
    bar_.SetAttribute(L"range", L"100");
    bar_.SetPos(RECT{0, 0, 16, 200}, false);
  }
  void Send(int type, POINT pt = {0, 0}, WPARAM wParam = 0) {
    ControlEventUI event;
    event.type = type;
    event.sender = &bar_;
    event.mouse = pt;
    event.wParam = wParam;
    bar_.Event(event);
  }
  void Tick() { Send(UIEVENT_TIMER, {0, 0}, CScrollBarUI::kRepeatTimerId); }
  CScrollBarUI bar_;
};

TEST_F(ScrollBarMouse, HoldingButton2MovesOnceThenRepeatsFromTheSixthTick) {
  Send(UIEVENT_BUTTONDOWN, {8, 190});
  EXPECT_EQ(bar_.GetScrollPos(), 8) << "one line at once";
  EXPECT_TRUE(bar_.GetPartState(CScrollBarUI::Part::Button2) & UISTATE_PUSHED);
  std::vector<int> seen;
  for (int i = 0; i < 8; ++i) {
    Tick();
    seen.push_back(bar_.GetScrollPos());
  }
  EXPECT_EQ(seen, (std::vector<int>{8, 8, 8, 8, 8, 16, 24, 32}));
  Send(UIEVENT_BUTTONUP, {8, 190});
  EXPECT_FALSE(bar_.GetPartState(CScrollBarUI::Part::Button2) & UISTATE_PUSHED);
  Tick();
  EXPECT_EQ(bar_.GetScrollPos(), 32) << "released: the timer no longer steps";
}

TEST_F(ScrollBarMouse, HoldingButton1RepeatsUpwardsAndStopsAtZero) {
  bar_.SetScrollPos(20);
  Send(UIEVENT_BUTTONDOWN, {8, 4});
  EXPECT_EQ(bar_.GetScrollPos(), 12);
  for (int i = 0; i < 7; ++i) Tick();
  EXPECT_EQ(bar_.GetScrollPos(), 0);
}

TEST_F(ScrollBarMouse, DraggingTheThumbSetsThePositionOnTheNextTick) {
  // Thumb (0,16)-(16,128); usable length 200 - 112 - 32 = 56.
  Send(UIEVENT_BUTTONDOWN, {8, 50});
  EXPECT_TRUE(bar_.GetPartState(CScrollBarUI::Part::Thumb) & UISTATE_CAPTURED);
  Send(UIEVENT_MOUSEMOVE, {8, 78});
  EXPECT_EQ(bar_.GetScrollPos(), 0) << "not before the tick";
  Tick();
  EXPECT_EQ(bar_.GetScrollPos(), 50);
  Send(UIEVENT_MOUSEMOVE, {8, 500});
  Tick();
  EXPECT_EQ(bar_.GetScrollPos(), 100);
  Send(UIEVENT_MOUSEMOVE, {8, -500});
  Tick();
  EXPECT_EQ(bar_.GetScrollPos(), 0);
  Send(UIEVENT_BUTTONUP, {8, 0});
  EXPECT_EQ(bar_.GetPartState(CScrollBarUI::Part::Thumb) & (UISTATE_CAPTURED | UISTATE_PUSHED), 0u);
}

TEST_F(ScrollBarMouse, TrackPagesByTheBarLength) {
  Send(UIEVENT_BUTTONDOWN, {8, 150});
  EXPECT_EQ(bar_.GetScrollPos(), 100);
  Send(UIEVENT_BUTTONUP, {8, 150});
  Send(UIEVENT_BUTTONDOWN, {8, 20});
  EXPECT_EQ(bar_.GetScrollPos(), 0);
}

TEST_F(ScrollBarMouse, DisabledBarIgnoresTheMouseAndDropsItsStates) {
  Send(UIEVENT_MOUSEENTER, {8, 20});
  EXPECT_TRUE(bar_.GetPartState(CScrollBarUI::Part::Button1) & UISTATE_HOT);
  EXPECT_TRUE(bar_.GetPartState(CScrollBarUI::Part::Thumb) & UISTATE_HOT);
  bar_.SetEnabled(false);
  EXPECT_EQ(bar_.GetPartState(CScrollBarUI::Part::Button1), 0u);
  EXPECT_EQ(bar_.GetPartState(CScrollBarUI::Part::Thumb), 0u);
  Send(UIEVENT_BUTTONDOWN, {8, 190});
  Tick();
  EXPECT_EQ(bar_.GetScrollPos(), 0);
}

TEST(ScrollBarPaint, PartsInTheirColoursAndTheThumbMovesWithThePosition) {
  CScrollBarUI bar;
  bar.ApplyAttributeList(
      L"range=\"100\" button1color=\"#FFFF0000\" button2color=\"#FF0000FF\" thumbcolor=\"#FF00FF00\"");
  bar.SetPos(RECT{0, 0, 16, 200}, false);
  DibCanvas canvas(16, 200);
  const RECT all = {0, 0, 16, 200};
  bar.Paint(canvas.dc(), all);
  EXPECT_EQ(canvas.Pixel(8, 8), 0xFFFF0000u);
  EXPECT_EQ(canvas.Pixel(8, 192), 0xFF0000FFu);
  EXPECT_EQ(canvas.Pixel(8, 100), 0xFF00FF00u);
  EXPECT_EQ(canvas.Pixel(8, 150), 0u) << "track below the thumb stays unpainted";
  bar.SetScrollPos(100);
  canvas.Fill(0);
  bar.Paint(canvas.dc(), all);
  EXPECT_EQ(canvas.Pixel(8, 50), 0u);
  EXPECT_EQ(canvas.Pixel(8, 150), 0xFF00FF00u);
}

}  // namespace
