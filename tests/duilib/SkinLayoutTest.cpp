#include <gtest/gtest.h>

#include <string>

#include "duilib/control/CControlUI.h"
#include "duilib/core/CWindowHostUI.h"
#include "tests/duilib/ControlTree.h"
#include "tests/support/Files.h"

using DuiLib::CControlUI;

namespace {

struct Expected {
  const char* path;
  const wchar_t* className;
  const wchar_t* name;
  const char* rect;
};

void ExpectRects(const ControlTree& tree, const Expected* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const Expected& row = rows[i];
    CControlUI* control = ControlAt(tree.root, row.path);
    ASSERT_NE(control, nullptr) << "path " << row.path;
    EXPECT_STREQ(control->GetClass(), row.className) << "path " << row.path;
    EXPECT_EQ(control->GetName(), row.name) << "path " << row.path;
    EXPECT_EQ(RectText(control->GetPos()), row.rect) << "path " << row.path;
  }
}

class SkinLayout : public ::testing::Test {
 protected:
  void SetUp() override { UseSkinPackage(); }
};

TEST_F(SkinLayout, MainWindowAt500x310) {
  const Expected rows[] = {
      {"", L"VerticalLayout", L"", "0,0,500,310"},
      {"0", L"HorizontalLayout", L"", "0,0,500,36"},
      {"0.0", L"Label", L"", "10,10,26,26"},
      {"0.1", L"Label", L"", "36,0,468,36"},
      {"0.2", L"Button", L"MainWindow_Close_Btn", "468,4,496,32"},
      {"1", L"RichEdit", L"Msg_RichEdit", "35,60,465,210"},
      {"2", L"Label", L"UpdateState_Label", "10,245,490,265"},
      {"3", L"Label", L"", "0,272,500,278"},
      {"4", L"Label", L"Progress_Label", "0,272,0,278"},
  };
  ControlTree tree(L"MainWindow.xml", 500, 310);
  ASSERT_NE(tree.root, nullptr);
  EXPECT_EQ(DescribeTree(tree.root),
            L"VerticalLayout(HorizontalLayout(Label,Label,Button),RichEdit,Label,Label,Label)");
  ExpectRects(tree, rows, std::size(rows));
}

TEST_F(SkinLayout, MessageBoxAt370x208) {
  const Expected rows[] = {
      {"", L"VerticalLayout", L"", "0,0,370,208"},          {"0", L"HorizontalLayout", L"", "0,0,370,36"},
      {"0.0", L"Label", L"Title_Label", "16,4,338,32"},     {"0.1", L"Button", L"MessageBox_Close_Btn", "338,4,366,32"},
      {"1", L"Label", L"Content_Label", "60,36,310,144"},   {"2", L"HorizontalLayout", L"", "0,144,370,208"},
      {"2.0", L"Container", L"", "0,144,20,208"},           {"2.1", L"Button", L"OK_Btn", "50,144,170,180"},
      {"2.2", L"Button", L"Cancel_Btn", "200,144,320,180"}, {"2.3", L"Container", L"", "350,144,370,208"},
  };
  ControlTree tree(L"MessageBox.xml", 370, 208);
  ASSERT_NE(tree.root, nullptr);
  EXPECT_EQ(
      DescribeTree(tree.root),
      L"VerticalLayout(HorizontalLayout(Label,Button),Label,HorizontalLayout(Container,Button,Button,Container))");
  ExpectRects(tree, rows, std::size(rows));
}

TEST_F(SkinLayout, MessageBoxWithCancelHiddenCentresOk) {
  ControlTree tree(L"MessageBox.xml", 370, 208);
  ASSERT_NE(tree.root, nullptr);
  tree.Find(L"Cancel_Btn")->SetVisible(false);
  tree.Layout(370, 208);
  const Expected rows[] = {
      {"2.0", L"Container", L"", "0,144,95,208"},
      {"2.1", L"Button", L"OK_Btn", "125,144,245,180"},
      {"2.3", L"Container", L"", "275,144,370,208"},
  };
  ExpectRects(tree, rows, std::size(rows));
}

TEST_F(SkinLayout, ProgressFillFollowsItsWidthOnTheNextLayout) {
  ControlTree tree(L"MainWindow.xml", 500, 310);
  ASSERT_NE(tree.root, nullptr);
  CControlUI* fill = tree.Find(L"Progress_Label");
  ASSERT_NE(fill, nullptr);
  fill->SetFixedWidth(250);
  // The floating label asks for its own layout: the rest of the tree, and
  // so the rest of the window, is not laid out or painted again for it.
  EXPECT_TRUE(fill->IsUpdateNeeded());
  EXPECT_FALSE(tree.root->IsUpdateNeeded());
  tree.Layout(500, 310);
  EXPECT_EQ(RectText(fill->GetPos()), "0,272,250,278");
  // The same width again asks for nothing.
  fill->SetFixedWidth(250);
  EXPECT_FALSE(fill->IsUpdateNeeded());
  tree.Layout(500, 310);
  EXPECT_EQ(RectText(fill->GetPos()), "0,272,250,278");
}

// Small trees laid out in 200 x 100: the rectangles of the named controls.
TEST(BoxLayout, Table) {
  struct Case {
    const char* what;
    const wchar_t* skin;
    const char* expected;  // "name=l,t,r,b;..."
  } cases[] = {
      {"an invisible child takes no room in a vertical layout",
       L"<Window><VerticalLayout><Control name=\"a\" height=\"10\"/><Control name=\"b\" height=\"20\" "
       L"visible=\"false\"/>"
       L"<Control name=\"c\" height=\"30\"/></VerticalLayout></Window>",
       "a=0,0,200,10;c=0,10,200,40"},
      {"an invisible child takes no share in a horizontal layout",
       L"<Window><HorizontalLayout><Control name=\"a\"/><Control name=\"b\" visible=\"false\"/><Control name=\"c\"/>"
       L"</HorizontalLayout></Window>",
       "a=0,0,100,100;c=100,0,200,100"},
      {"the last adjustable child takes the rounding remainder",
       L"<Window><VerticalLayout childpadding=\"1\"><Control name=\"a\"/><Control name=\"b\"/><Control name=\"c\"/>"
       L"</VerticalLayout></Window>",
       "a=0,0,200,32;b=0,33,200,65;c=0,66,200,100"},
      {"padding '10,10' leaves right and bottom at 0",
       L"<Window><HorizontalLayout><Control name=\"a\" padding=\"10,10\"/><Control name=\"b\" width=\"50\"/>"
       L"</HorizontalLayout></Window>",
       "a=10,10,150,100;b=150,0,200,100"},
      {"right alignment keeps the right padding",
       L"<Window><VerticalLayout childalign=\"right\"><Control name=\"a\" width=\"40\" height=\"10\" "
       L"padding=\"0,0,5,0\"/>"
       L"</VerticalLayout></Window>",
       "a=155,0,195,10"},
      {"vertical centre and bottom in a horizontal layout",
       L"<Window><HorizontalLayout childvalign=\"vcenter\"><Control name=\"a\" width=\"10\" height=\"20\"/>"
       L"</HorizontalLayout></Window>",
       "a=0,40,10,60"},
      {"an unknown alignment value leaves the alignment",
       L"<Window><VerticalLayout childalign=\"Center\"><Control name=\"a\" width=\"40\" height=\"10\"/>"
       L"</VerticalLayout></Window>",
       "a=0,0,40,10"},
      {"minimum and maximum sizes bound a shared height",
       L"<Window><VerticalLayout><Control name=\"a\" maxheight=\"30\"/><Control name=\"b\" minheight=\"80\"/>"
       L"</VerticalLayout></Window>",
       "a=0,0,200,30;b=0,30,200,110"},
      {"float percentages scale with the parent",
       L"<Window><VerticalLayout><Control name=\"a\" float=\"0.5,0.5,0.5,0.5\" pos=\"0,0,10,10\"/>"
       L"</VerticalLayout></Window>",
       "a=100,50,110,60"},
      // A floating child keeps its own place and takes no room nor share of
      // the others, in either orientation.
      {"a floating child is absent to a vertical box's others",
       L"<Window><VerticalLayout><Control name=\"a\"/><Control name=\"b\" float=\"true\" pos=\"5,5,15,15\"/>"
       L"<Control name=\"c\" height=\"30\"/></VerticalLayout></Window>",
       "a=0,0,200,70;b=5,5,15,15;c=0,70,200,100"},
      {"a floating child is absent to a horizontal box's others",
       L"<Window><HorizontalLayout><Control name=\"a\"/><Control name=\"b\" float=\"true\" pos=\"5,5,15,15\"/>"
       L"<Control name=\"c\" width=\"50\"/></HorizontalLayout></Window>",
       "a=0,0,150,100;b=5,5,15,15;c=150,0,200,100"},
      {"a plain container gives every child its inner rectangle",
       L"<Window><Container inset=\"5,6,7,8\"><Control name=\"a\"/><Control name=\"b\" maxwidth=\"20\"/></Container>"
       L"</Window>",
       "a=5,6,193,92;b=5,6,25,92"},
  };
  for (const Case& c : cases) {
    ControlTree tree(c.skin, 200, 100);
    ASSERT_NE(tree.root, nullptr) << c.what;
    std::string got;
    for (const wchar_t* name : {L"a", L"b", L"c"}) {
      CControlUI* control = tree.Find(name);
      if (!control || !control->IsVisible()) continue;
      if (!got.empty()) got += ";";
      got += Narrow(name) + "=" + RectText(control->GetPos());
    }
    EXPECT_EQ(got, c.expected) << c.what;
  }
}

TEST(LabelLayout, WithoutFixedHeightTakesFontHeightPlus8AndItsTextPadding) {
  ControlTree tree(
      L"<Window><Font id=\"7\" name=\"Arial\" size=\"20\"/><VerticalLayout>"
      L"<Label name=\"a\" text=\"Abc\" font=\"7\"/><Label name=\"b\" text=\"Abc\" textpadding=\"0,3,0,5\"/>"
      L"<Control name=\"c\"/></VerticalLayout></Window>",
      200, 100);
  ASSERT_NE(tree.root, nullptr);
  const int font7 = tree.host->GetFontInfo(7)->metrics.tmHeight;
  const int fallback = tree.host->GetDefaultFontInfo()->metrics.tmHeight;
  ASSERT_GT(font7, 0);
  ASSERT_GT(fallback, 0);
  ASSERT_NE(font7, fallback);
  EXPECT_EQ(RectText(tree.Find(L"a")->GetPos()), "0,0,200," + std::to_string(font7 + 8));
  const int bTop = font7 + 8;
  EXPECT_EQ(RectText(tree.Find(L"b")->GetPos()),
            "0," + std::to_string(bTop) + ",200," + std::to_string(bTop + fallback + 8 + 8));
  // The rest goes to the control without a height.
  EXPECT_EQ(tree.Find(L"c")->GetPos().bottom, 100);
}

}  // namespace
