#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "duilib/control/CButtonUI.h"
#include "duilib/core/ControlEventUI.h"
#include "duilib/core/UIDefines.h"
#include "tests/duilib/ControlTree.h"

using namespace DuiLib;

namespace {

constexpr POINT kInside = {50, 15};
constexpr POINT kOutside = {150, 60};

struct Step {
  int type;
  POINT point;
  wchar_t key;
};

// A 100 x 30 button at the top-left of a 200 x 100 layout, counting "click".
struct ButtonFixture {
  ControlTree tree{L"<Window><VBox><Button name=\"b\" width=\"100\" height=\"30\"/></VBox></Window>", 200, 100};
  CButtonUI* button = static_cast<CButtonUI*>(tree.Find(L"b"));
  int clicks = 0;

  ButtonFixture() {
    if (!button) return;
    button->OnNotify.push_back([this](NotificationUI& msg) {
      if (msg.type == L"click") ++clicks;
    });
  }
  void Run(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      ControlEventUI event;
      event.type = step.type;
      event.sender = button;
      event.mouse = step.point;
      event.key = step.key;
      button->Event(event);
    }
  }
};

TEST(ButtonStates, MouseAndKeyboardTable) {
  const struct {
    const char* what;
    bool enabled;
    std::vector<Step> steps;
    int clicks;
    UINT state;  // after the steps
  } cases[] = {
      {"press and release inside", true, {{UIEVENT_BUTTONDOWN, kInside, 0}, {UIEVENT_BUTTONUP, kInside, 0}}, 1, 0},
      {"press inside, release outside",
       true,
       {{UIEVENT_BUTTONDOWN, kInside, 0}, {UIEVENT_MOUSEMOVE, kOutside, 0}, {UIEVENT_BUTTONUP, kOutside, 0}},
       0,
       0},
      {"out and back in before the release",
       true,
       {{UIEVENT_BUTTONDOWN, kInside, 0},
        {UIEVENT_MOUSEMOVE, kOutside, 0},
        {UIEVENT_MOUSEMOVE, kInside, 0},
        {UIEVENT_BUTTONUP, kInside, 0}},
       1,
       0},
      {"pressed outside, released inside",
       true,
       {{UIEVENT_BUTTONDOWN, kOutside, 0}, {UIEVENT_BUTTONUP, kInside, 0}},
       0,
       0},
      {"held and moved out: captured only",
       true,
       {{UIEVENT_BUTTONDOWN, kInside, 0}, {UIEVENT_MOUSEMOVE, kOutside, 0}},
       0,
       UISTATE_CAPTURED},
      {"held inside: pushed and captured",
       true,
       {{UIEVENT_DBLCLICK, kInside, 0}},
       0,
       UISTATE_PUSHED | UISTATE_CAPTURED},
      {"hot on enter, idle on leave", true, {{UIEVENT_MOUSEENTER, kInside, 0}}, 0, UISTATE_HOT},
      {"leave outside clears hot", true, {{UIEVENT_MOUSEENTER, kInside, 0}, {UIEVENT_MOUSELEAVE, kOutside, 0}}, 0, 0},
      {"leave reported while still inside keeps hot",
       true,
       {{UIEVENT_MOUSEENTER, kInside, 0}, {UIEVENT_MOUSELEAVE, kInside, 0}},
       0,
       UISTATE_HOT},
      {"blank key clicks", true, {{UIEVENT_KEYDOWN, kOutside, VK_SPACE}}, 1, 0},
      {"return clicks", true, {{UIEVENT_KEYDOWN, kOutside, VK_RETURN}}, 1, 0},
      {"another key does not", true, {{UIEVENT_KEYDOWN, kOutside, L'A'}}, 0, 0},
      {"disabled: blank key does nothing", false, {{UIEVENT_KEYDOWN, kOutside, VK_SPACE}}, 0, 0},
      {"disabled: press and release do nothing",
       false,
       {{UIEVENT_BUTTONDOWN, kInside, 0}, {UIEVENT_BUTTONUP, kInside, 0}},
       0,
       0},
      {"disabled: no hot state", false, {{UIEVENT_MOUSEENTER, kInside, 0}}, 0, 0},
  };
  for (const auto& c : cases) {
    ButtonFixture f;
    ASSERT_NE(f.button, nullptr);
    f.button->SetEnabled(c.enabled);
    f.Run(c.steps);
    EXPECT_EQ(f.clicks, c.clicks) << c.what;
    EXPECT_EQ(f.button->GetState() & ~(UISTATE_FOCUSED | UISTATE_DISABLED), c.state) << c.what;
  }
}

TEST(ButtonStates, FocusedButtonClicksOnBlankKeyOnlyWhileEnabled) {
  ButtonFixture f;
  ASSERT_NE(f.button, nullptr);
  f.tree.host->SetFocus(f.button);
  ASSERT_TRUE(f.button->IsFocused());
  f.Run({{UIEVENT_KEYDOWN, kOutside, VK_SPACE}});
  EXPECT_EQ(f.clicks, 1);
  f.button->SetEnabled(false);
  f.Run({{UIEVENT_KEYDOWN, kOutside, VK_SPACE}});
  EXPECT_EQ(f.clicks, 1);
  EXPECT_FALSE(f.button->Activate());
}

TEST(ButtonStates, KeyboardOffAndInvisibleDoNotClick) {
  ButtonFixture f;
  ASSERT_NE(f.button, nullptr);
  f.button->SetAttribute(L"keyboard", L"false");
  f.Run({{UIEVENT_KEYDOWN, kOutside, VK_SPACE}});
  EXPECT_EQ(f.clicks, 0);
  f.button->SetVisible(false);
  EXPECT_FALSE(f.button->Activate());
  EXPECT_EQ(f.clicks, 0);
}

}  // namespace
