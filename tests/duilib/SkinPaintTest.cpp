#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "duilib/control/CControlUI.h"
#include "duilib/control/CScrollBarUI.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/layout/CContainerUI.h"
#include "tests/duilib/ControlTree.h"
#include "tests/duilib/DibCanvas.h"

using DuiLib::CControlUI;

namespace {

constexpr DWORD kRgb = 0x00FFFFFF;

DWORD Rgb(const DibCanvas& canvas, int x, int y) {
  return canvas.Pixel(x, y) & kRgb;
}

// Pixels of `rc` whose colour (alpha ignored) is not `rgb`.
int CountNotRgb(const DibCanvas& canvas, const RECT& rc, DWORD rgb) {
  int count = 0;
  for (int y = rc.top; y < rc.bottom; ++y) {
    for (int x = rc.left; x < rc.right; ++x) count += Rgb(canvas, x, y) != rgb;
  }
  return count;
}

// The rows of `rc` holding a pixel that is not `background`: first and one
// past the last (0, 0 when none).
std::pair<int, int> InkRows(const DibCanvas& canvas, const RECT& rc, DWORD background) {
  int first = 0, last = 0;
  for (int y = rc.top; y < rc.bottom; ++y) {
    if (CountNotRgb(canvas, RECT{rc.left, y, rc.right, y + 1}, background) == 0) continue;
    if (first == 0) first = y;
    last = y + 1;
  }
  return {first, last};
}

void Paint(const ControlTree& tree, DibCanvas& canvas) {
  canvas.Fill(0);
  const RECT all = {0, 0, canvas.width(), canvas.height()};
  tree.root->Paint(canvas.dc(), all);
}

TEST(SkinPaint, MainWindowPixels) {
  UseSkinPackage();
  ControlTree tree(L"MainWindow.xml", 500, 310);
  ASSERT_NE(tree.root, nullptr);
  DibCanvas canvas(500, 310);
  ASSERT_TRUE(canvas.Ok());
  Paint(tree, canvas);
  EXPECT_TRUE(canvas.SavePng(CONTROLS_TEST_PNG));

  // The window's 1-pixel frame (the floating track covers it at y 272-277).
  EXPECT_EQ(CountNotRgb(canvas, RECT{0, 0, 500, 1}, 0x33374A), 0);
  EXPECT_EQ(CountNotRgb(canvas, RECT{0, 309, 500, 310}, 0x33374A), 0);
  EXPECT_EQ(CountNotRgb(canvas, RECT{0, 1, 1, 272}, 0x33374A), 0);
  EXPECT_EQ(CountNotRgb(canvas, RECT{499, 278, 500, 309}, 0x33374A), 0);
  EXPECT_NE(Rgb(canvas, 1, 1), 0x33374Au);

  // The progress track, full width, with an empty fill.
  EXPECT_EQ(CountNotRgb(canvas, RECT{0, 272, 500, 278}, 0x1E2938), 0);
  EXPECT_NE(Rgb(canvas, 250, 278), 0x1E2938u);

  // The release-notes area: background inside a #7D8EAC frame (its alpha 80
  // plays no part in the pen).
  EXPECT_EQ(CountNotRgb(canvas, RECT{35, 60, 465, 61}, 0x7D8EAC), 0);
  EXPECT_EQ(CountNotRgb(canvas, RECT{35, 209, 465, 210}, 0x7D8EAC), 0);
  EXPECT_EQ(CountNotRgb(canvas, RECT{35, 60, 36, 210}, 0x7D8EAC), 0);
  // The edit's vertical bar lies along its right edge, over the frame.
  auto* edit = static_cast<DuiLib::CContainerUI*>(tree.Find(L"Msg_RichEdit"));
  ASSERT_NE(edit, nullptr);
  int textRight = 464;
  if (DuiLib::CScrollBarUI* bar = edit->GetVerticalScrollBar(); bar && bar->IsVisible()) {
    textRight = bar->GetPos().left;
    EXPECT_EQ(RectText(bar->GetPos()), "459,60,465,210");
  } else {
    EXPECT_EQ(CountNotRgb(canvas, RECT{464, 60, 465, 210}, 0x7D8EAC), 0);
  }
  EXPECT_EQ(CountNotRgb(canvas, RECT{36, 61, textRight, 209}, 0x1E2938), 0);

  // Half the progress: the fill covers the left 250 pixels of the track.
  tree.Find(L"Progress_Label")->SetFixedWidth(250);
  tree.Layout(500, 310);
  Paint(tree, canvas);
  EXPECT_EQ(CountNotRgb(canvas, RECT{0, 272, 250, 278}, 0x2BA2F9), 0);
  EXPECT_EQ(CountNotRgb(canvas, RECT{250, 272, 500, 278}, 0x1E2938), 0);
}

TEST(SkinPaint, LabelTextIsACentredBlock) {
  UseSkinPackage();
  ControlTree tree(L"MessageBox.xml", 370, 208);
  ASSERT_NE(tree.root, nullptr);
  CControlUI* content = tree.Find(L"Content_Label");
  CControlUI* title = tree.Find(L"Title_Label");
  ASSERT_NE(content, nullptr);
  ASSERT_NE(title, nullptr);
  content->SetText(L"First line of the message\nSecond line");
  const int line = tree.host->GetFontInfo(2)->metrics.tmHeight;
  ASSERT_GT(line, 0);

  DibCanvas canvas(370, 208);
  ASSERT_TRUE(canvas.Ok());
  Paint(tree, canvas);

  // Two lines, centred as a block in 36..144 (not drawn from the top).
  const RECT contentRc = content->GetPos();
  const int blockTop = contentRc.top + (contentRc.bottom - contentRc.top - 2 * line) / 2;
  const auto [first, last] = InkRows(canvas, contentRc, 0x17212E);
  ASSERT_NE(first, 0);
  EXPECT_GE(first, blockTop);
  EXPECT_LE(last, blockTop + 2 * line);
  EXPECT_GT(last - first, line);  // two lines of ink
  // Each line centred horizontally: ink on both sides of the middle, equally far.
  int left = contentRc.right, right = contentRc.left;
  for (int x = contentRc.left; x < contentRc.right; ++x) {
    if (CountNotRgb(canvas, RECT{x, first, x + 1, last}, 0x17212E) == 0) continue;
    left = std::min(left, x);
    right = std::max(right, x + 1);
  }
  EXPECT_LE(std::abs((left - contentRc.left) - (contentRc.right - right)), 2);

  // One line in the 28-pixel title label: centred too, whatever DT_VCENTER adds.
  const RECT titleRc = title->GetPos();
  const int lineTop = titleRc.top + (titleRc.bottom - titleRc.top - line) / 2;
  const auto [titleFirst, titleLast] = InkRows(canvas, titleRc, 0x17212E);
  ASSERT_NE(titleFirst, 0);
  EXPECT_GE(titleFirst, lineTop);
  EXPECT_LE(titleLast, lineTop + line);
}

TEST(SkinPaint, ButtonShowsItsNormalImageWhenTheHotImageIsMissing) {
  UseSkinPackage();
  const wchar_t* skin =
      L"<Window><VBox><Button name=\"b\" width=\"28\" height=\"28\" "
      L"normalimage=\"file='img/icon_close.png' source='0,0,28,28'\" "
      L"hotimage=\"file='img/no_such_image.png'\"/></VBox></Window>";
  ControlTree tree(skin, 28, 28);
  ASSERT_NE(tree.root, nullptr);
  DibCanvas normal(28, 28), hot(28, 28);
  Paint(tree, normal);
  ASSERT_GT(normal.CountNot(RECT{0, 0, 28, 28}, 0), 0);
  DuiLib::ControlEventUI enter;
  enter.type = DuiLib::UIEVENT_MOUSEENTER;
  enter.mouse = POINT{5, 5};
  tree.Find(L"b")->Event(enter);
  Paint(tree, hot);
  for (int y = 0; y < 28; ++y) {
    for (int x = 0; x < 28; ++x) ASSERT_EQ(hot.Pixel(x, y), normal.Pixel(x, y)) << x << "," << y;
  }
}

}  // namespace
