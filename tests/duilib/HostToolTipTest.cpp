// The host's tooltip part: the popup is made on first use, owned by the
// host's window, and goes with its owner object.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "base/UniqueWindow.h"
#include "duilib/control/CControlUI.h"
#include "duilib/core/CHostToolTipUI.h"

namespace {

struct ToolTipSearch {
  HWND owner;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectToolTip(HWND w, LPARAM data) {
  auto* search = reinterpret_cast<ToolTipSearch*>(data);
  wchar_t cls[64] = {};
  ::GetClassNameW(w, cls, 64);
  if (::GetWindow(w, GW_OWNER) == search->owner && ::lstrcmpiW(cls, L"tooltips_class32") == 0) {
    search->found.push_back(w);
  }
  return TRUE;
}

std::vector<HWND> ToolTipsOwnedBy(HWND owner) {
  ToolTipSearch search{owner, {}};
  ::EnumThreadWindows(::GetCurrentThreadId(), CollectToolTip, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class HostToolTip : public testing::Test {
 protected:
  void SetUp() override {
    owner_.Reset(::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(owner_);
  }
  UniqueWindow owner_;
};

TEST_F(HostToolTip, NoTextMakesNoPopup) {
  DuiLib::CControlUI control;
  DuiLib::CHostToolTipUI tip;
  EXPECT_FALSE(tip.Show(owner_.Get(), ::GetModuleHandleW(nullptr), &control, POINT{5, 5}));
  EXPECT_TRUE(ToolTipsOwnedBy(owner_.Get()).empty());
  EXPECT_EQ(tip.HoverTime(), 1000);
}

TEST_F(HostToolTip, ThePopupIsMadeOnceAndDestroyedWithItsOwnerObject) {
  DuiLib::CControlUI control;
  control.SetToolTip(L"tip text");
  {
    DuiLib::CHostToolTipUI tip;
    ASSERT_TRUE(tip.Show(owner_.Get(), ::GetModuleHandleW(nullptr), &control, POINT{5, 5}));
    const std::vector<HWND> first = ToolTipsOwnedBy(owner_.Get());
    ASSERT_EQ(first.size(), 1u);
    // The hover time becomes the popup's own initial delay.
    EXPECT_EQ(tip.HoverTime(), static_cast<int>(::SendMessageW(first[0], TTM_GETDELAYTIME, TTDT_INITIAL, 0)));
    tip.Hide();
    ASSERT_TRUE(tip.Show(owner_.Get(), ::GetModuleHandleW(nullptr), &control, POINT{6, 6}));
    EXPECT_EQ(ToolTipsOwnedBy(owner_.Get()), first);  // the same popup again

    tip.Destroy();
    EXPECT_FALSE(::IsWindow(first[0]));
    ASSERT_TRUE(tip.Show(owner_.Get(), ::GetModuleHandleW(nullptr), &control, POINT{5, 5}));
    EXPECT_EQ(ToolTipsOwnedBy(owner_.Get()).size(), 1u);
  }
  EXPECT_TRUE(ToolTipsOwnedBy(owner_.Get()).empty());
}

}  // namespace
