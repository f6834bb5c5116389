#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "base/ComPtr.h"
#include "base/UniqueHandle.h"

namespace {

bool IsOpen(HANDLE h) {
  DWORD flags = 0;
  return ::GetHandleInformation(h, &flags) != FALSE;
}

TEST(UniqueHandle, MoveTransfersOwnershipAndClosesExactlyOnce) {
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  UniqueHandle first(raw);
  UniqueHandle second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.Get(), raw);

  HANDLE other = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  UniqueHandle third(other);
  third = std::move(second);  // closes `other`, takes `raw`
  EXPECT_FALSE(IsOpen(other));
  EXPECT_TRUE(IsOpen(raw));
  EXPECT_EQ(third.Get(), raw);

  third.Reset();
  EXPECT_FALSE(IsOpen(raw));
  EXPECT_FALSE(third);
}

TEST(UniqueHandle, InvalidHandleValueIsNoHandleAndDetachKeepsItOpen) {
  UniqueHandle none(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(none);
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  {
    UniqueHandle owner(raw);
    EXPECT_EQ(owner.Detach(), raw);
  }
  EXPECT_TRUE(IsOpen(raw));
  ::CloseHandle(raw);
}

// Counts references the way a COM object does.
class Counted : public IUnknown {
 public:
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ComPtr, CopiesAddRefMovesTransferAndResetReleases) {
  Counted object;
  {
    ComPtr<Counted> owner(&object);  // takes the initial reference
    EXPECT_EQ(object.refs, 1u);
    ComPtr<Counted> copy = owner;
    EXPECT_EQ(object.refs, 2u);
    ComPtr<Counted> moved(std::move(copy));
    EXPECT_EQ(object.refs, 2u);
    EXPECT_FALSE(copy);
    ComPtr<Counted> assigned;
    assigned = std::move(moved);
    EXPECT_EQ(object.refs, 2u);
    assigned.Reset();
    EXPECT_EQ(object.refs, 1u);
    ComPtr<Counted> shared = ComPtr<Counted>::Share(&object);
    EXPECT_EQ(object.refs, 2u);
  }
  EXPECT_EQ(object.refs, 0u);
}

}  // namespace
