#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "duilib/control/CButtonUI.h"
#include "duilib/control/CControlUI.h"
#include "duilib/control/CLabelUI.h"
#include "duilib/control/CScrollBarUI.h"
#include "duilib/layout/CContainerUI.h"
#include "duilib/layout/CVerticalLayoutUI.h"
#include "tests/support/Files.h"

using namespace DuiLib;

namespace {

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(value));
  return text;
}

std::string Rect4(const RECT& rc) {
  return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
         std::to_string(rc.bottom);
}

std::string Geometry(CControlUI& c) {
  const SIZE xy = c.GetFixedXY();
  return std::to_string(xy.cx) + "," + std::to_string(xy.cy) + " " + std::to_string(c.GetFixedWidth()) + "x" +
         std::to_string(c.GetFixedHeight());
}

using Attributes = std::vector<std::pair<const wchar_t*, const wchar_t*>>;

struct Case {
  const char* what;
  std::function<CControlUI*()> make;
  Attributes attributes;
  std::function<std::string(CControlUI&)> read;
  const char* expected;
};

CControlUI* NewControl() {
  return new CControlUI;
}
CControlUI* NewContainer() {
  return new CContainerUI;
}
CControlUI* NewLabel() {
  return new CLabelUI;
}

std::string FloatText(CControlUI& c) {
  const TPercentInfo p = c.GetFloatPercent();
  char text[64];
  std::snprintf(text, sizeof text, "%d %.2f,%.2f,%.2f,%.2f", c.IsFloat() ? 1 : 0, p.left, p.top, p.right, p.bottom);
  return text;
}

std::string LabelStyle(CControlUI& c) {
  return Hex(static_cast<CLabelUI&>(c).GetTextStyle());
}

TEST(AttributeParsing, Table) {
  const Case cases[] = {
      {"pos then width and height",
       NewControl,
       {{L"pos", L"0,272"}, {L"width", L"500"}, {L"height", L"6"}},
       Geometry,
       "0,272 500x6"},
      {"pos alone: width 0, negative height ignored",
       NewControl,
       {{L"height", L"9"}, {L"pos", L"0,272"}},
       Geometry,
       "0,272 0x9"},
      {"pos with four numbers", NewControl, {{L"pos", L"5,6,25,46"}}, Geometry, "5,6 20x40"},
      {"negative width ignored", NewControl, {{L"width", L"40"}, {L"width", L"-5"}}, Geometry, "0,0 40x0"},
      {"numbers read as far as digits reach", NewControl, {{L"width", L"12px"}}, Geometry, "0,0 12x0"},
      {"padding 10,10 leaves right and bottom 0",
       NewControl,
       {{L"padding", L"10,10"}},
       [](CControlUI& c) { return Rect4(c.GetPadding()); },
       "10,10,0,0"},
      {"background colour with #",
       NewControl,
       {{L"bkcolor", L"#FF17212E"}},
       [](CControlUI& c) { return Hex(c.GetBkColor()); },
       "FF17212E"},
      {"background colour without #",
       NewControl,
       {{L"bkcolor1", L"FF2BA2F9"}},
       [](CControlUI& c) { return Hex(c.GetBkColor()); },
       "FF2BA2F9"},
      {"six-digit colour has alpha 0",
       NewControl,
       {{L"bkcolor", L"#1E2938"}},
       [](CControlUI& c) { return Hex(c.GetBkColor()); },
       "001E2938"},
      {"border colour after blanks",
       NewControl,
       {{L"bordercolor", L"  #807D8EAC"}},
       [](CControlUI& c) { return Hex(c.GetBorderColor()); },
       "807D8EAC"},
      {"border size, one number",
       NewControl,
       {{L"bordersize", L"1"}},
       [](CControlUI& c) { return Rect4(c.GetBorderSize()); },
       "1,1,1,1"},
      {"border size, four numbers",
       NewControl,
       {{L"bordersize", L"1,2,3,4"}},
       [](CControlUI& c) { return Rect4(c.GetBorderSize()); },
       "1,2,3,4"},
      {"float with commas sets percentages and the flag",
       NewControl,
       {{L"float", L"0.5,0,0.25,1"}},
       FloatText,
       "1 0.50,0.00,0.25,1.00"},
      {"float true", NewControl, {{L"float", L"true"}}, FloatText, "1 0.00,0.00,0.00,0.00"},
      {"booleans are case-sensitive: float True",
       NewControl,
       {{L"float", L"True"}},
       FloatText,
       "0 0.00,0.00,0.00,0.00"},
      {"visible false hides",
       NewControl,
       {{L"visible", L"false"}},
       [](CControlUI& c) { return std::string(c.IsVisible() ? "shown" : "hidden"); },
       "hidden"},
      {"visible TRUE hides too",
       NewControl,
       {{L"visible", L"TRUE"}},
       [](CControlUI& c) { return std::string(c.IsVisible() ? "shown" : "hidden"); },
       "hidden"},
      {"attribute names are case-sensitive",
       NewControl,
       {{L"Width", L"30"}},
       [](CControlUI& c) { return Geometry(c) + " " + Narrow(c.GetCustomAttribute(L"Width")); },
       "0,0 0x0 30"},
      {"forecolor in any case",
       NewControl,
       {{L"ForeColor", L"#FF010203"}},
       [](CControlUI& c) { return Hex(c.GetForeColor()); },
       "FF010203"},
      {"name and text unchanged",
       NewControl,
       {{L"name", L" a b "}, {L"text", L"x\x5347"}},
       [](CControlUI& c) { return Narrow(L"[" + c.GetName() + L"][" + c.GetText() + L"]"); },
       "[ a b ][x\xe5\x8d\x87]"},
      {"container inset and child padding",
       NewContainer,
       {{L"inset", L"16,4,4,4"}, {L"childpadding", L"30"}},
       [](CControlUI& c) {
         auto& box = static_cast<CContainerUI&>(c);
         return Rect4(box.GetInset()) + " " + std::to_string(box.GetChildPadding());
       },
       "16,4,4,4 30"},
      {"child alignment exact names only",
       NewContainer,
       {{L"childalign", L"center"}, {L"childalign", L"Right"}, {L"childvalign", L"bottom"}},
       [](CControlUI& c) {
         auto& box = static_cast<CContainerUI&>(c);
         return std::to_string(box.GetChildAlign()) + "," + std::to_string(box.GetChildVAlign());
       },
       "1,8"},
      {"label default style", NewLabel, {}, LabelStyle, "00000024"},
      {"label align center, valign vcenter, multiline",
       NewLabel,
       {{L"align", L"center"}, {L"valign", L"vcenter"}, {L"multiline", L"true"}},
       LabelStyle,
       "00000015"},
      {"label align right then left", NewLabel, {{L"align", L"right"}, {L"align", L"left"}}, LabelStyle, "00000024"},
      {"label valign bottom, end ellipsis",
       NewLabel,
       {{L"valign", L"bottom"}, {L"endellipsis", L"true"}},
       LabelStyle,
       "00008028"},
      {"label multiline other than true is one line",
       NewLabel,
       {{L"multiline", L"true"}, {L"multiline", L"yes"}},
       LabelStyle,
       "00000034"},
      {"label text colour and font",
       NewLabel,
       {{L"textcolor", L"#FFA4B8C8"}, {L"font", L"2"}},
       [](CControlUI& c) {
         auto& label = static_cast<CLabelUI&>(c);
         return Hex(label.GetTextColor()) + " " + std::to_string(label.GetFont());
       },
       "FFA4B8C8 2"},
      {"button images",
       [] { return static_cast<CControlUI*>(new CButtonUI); },
       {{L"normalimage", L"file='a.png' source='0,0,28,28'"}, {L"hotimage", L"b.png"}},
       [](CControlUI& c) {
         auto& button = static_cast<CButtonUI&>(c);
         return Narrow(button.GetNormalImage() + L"|" + button.GetHotImage()) + " " + LabelStyle(c);
       },
       "file='a.png' source='0,0,28,28'|b.png 00000025"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<CControlUI> control(c.make());
    for (const auto& [name, value] : c.attributes) control->SetAttribute(name, value);
    EXPECT_EQ(c.read(*control), c.expected) << c.what;
  }
}

TEST(AttributeList, StopsAtAnythingButOneBlank) {
  const struct {
    const wchar_t* list;
    const char* expected;
  } cases[] = {
      {L"width=\"6\" height=\"7\"", "0,0 6x7"},
      {L"width=\"6\" height=\"7\" ", "0,0 6x7"},
      {L"width=\"6\"  height=\"7\"", "0,0 6x0"},
      {L"width=\"6\",height=\"7\"", "0,0 6x0"},
      {L"width=\"6\"\theight=\"7\"", "0,0 6x0"},
      {L"width=6 height=\"7\"", "0,0 0x0"},
      {L"width=\"6\" height=\"7", "0,0 6x0"},
      {L"width \"6\"", "0,0 0x0"},
      {L"", "0,0 0x0"},
  };
  for (const auto& c : cases) {
    CControlUI control;
    control.ApplyAttributeList(c.list);
    EXPECT_EQ(Geometry(control), c.expected) << Narrow(c.list);
  }
}

TEST(AttributeList, ScrollBarStyleAppliesToTheVerticalBar) {
  CVerticalLayoutUI box;
  box.SetAttribute(L"vscrollbarstyle", L"width=\"6\" linesize=\"9\"");
  CScrollBarUI* bar = box.GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetFixedWidth(), 6);
  EXPECT_EQ(bar->GetLineSize(), 9);
  box.SetAttribute(L"vscrollbar", L"false");
  EXPECT_EQ(box.GetVerticalScrollBar(), nullptr);
}

}  // namespace
