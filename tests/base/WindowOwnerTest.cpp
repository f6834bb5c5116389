// The owners in base/ that the toolkit's host and drawing build on: the popup
// window owner and the top-down DIB section.
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "base/SelectedObject.h"
#include "base/TopDownDib.h"
#include "base/UniqueDC.h"
#include "base/UniqueWindow.h"

namespace {

HWND MakePopup() {
  return ::CreateWindowExW(0, L"STATIC", L"owned", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

TEST(UniqueWindow, MoveTransfersTheWindowAndDestroysItExactlyOnce) {
  HWND raw = MakePopup();
  ASSERT_NE(raw, nullptr);
  UniqueWindow first(raw);
  UniqueWindow second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.Get(), raw);
  EXPECT_TRUE(::IsWindow(raw));

  HWND other = MakePopup();
  ASSERT_NE(other, nullptr);
  UniqueWindow third(other);
  third = std::move(second);  // destroys `other`, takes `raw`
  EXPECT_FALSE(::IsWindow(other));
  EXPECT_TRUE(::IsWindow(raw));
  EXPECT_EQ(third.Get(), raw);

  third.Reset();
  EXPECT_FALSE(::IsWindow(raw));
  EXPECT_FALSE(third);
}

TEST(UniqueWindow, DetachLeavesTheWindowAndScopeEndDestroysIt) {
  HWND kept = MakePopup();
  HWND scoped = MakePopup();
  ASSERT_NE(kept, nullptr);
  ASSERT_NE(scoped, nullptr);
  {
    UniqueWindow keep(kept);
    UniqueWindow lose(scoped);
    EXPECT_EQ(keep.Detach(), kept);
  }
  EXPECT_TRUE(::IsWindow(kept));
  EXPECT_FALSE(::IsWindow(scoped));
  ::DestroyWindow(kept);
}

struct DibCase {
  int width;
  int height;
  bool made;
};

TEST(TopDownDib, MakesA32BitTopDownSectionOrNothing) {
  const DibCase cases[] = {{3, 2, true}, {1, 1, true}, {0, 5, false}, {5, 0, false}, {-1, 4, false}, {4, -1, false}};
  for (const DibCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    void* bits = reinterpret_cast<void*>(1);
    UniqueBitmap bitmap = CreateTopDownDib(nullptr, c.width, c.height, &bits);
    EXPECT_EQ(static_cast<bool>(bitmap), c.made);
    EXPECT_EQ(bits != nullptr, c.made);
    if (!bitmap) continue;
    DIBSECTION section = {};
    ASSERT_EQ(::GetObjectW(bitmap.Get(), sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBmih.biWidth, c.width);
    EXPECT_EQ(section.dsBm.bmHeight, c.height);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
    // The first row in memory is the top one: the first pixel written shows
    // at the top-left, not at the bottom-left as in a bottom-up section.
    static_cast<DWORD*>(bits)[0] = 0x00FF0000;
    UniqueDC dc(::CreateCompatibleDC(nullptr));
    SelectedObject selected(dc.Get(), bitmap.Get());
    EXPECT_EQ(::GetPixel(dc.Get(), 0, 0), RGB(255, 0, 0));
  }
}

}  // namespace
