#include "launcher/net/InternetHandle.h"

#include <gtest/gtest.h>

#include <utility>

using namespace Launcher;

namespace {

// A closed WinINet handle can no longer be queried.
bool IsOpen(HINTERNET handle) {
  DWORD type = 0;
  DWORD size = sizeof type;
  return ::InternetQueryOptionW(handle, INTERNET_OPTION_HANDLE_TYPE, &type, &size) != FALSE;
}

TEST(UniqueInternetHandle, MoveTransfersOwnershipAndClosesExactlyOnce) {
  HINTERNET raw = ::InternetOpenW(L"move-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  ASSERT_NE(raw, nullptr);
  UniqueInternetHandle first(raw);
  UniqueInternetHandle second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.Get(), raw);
  EXPECT_TRUE(IsOpen(raw));

  HINTERNET other = ::InternetOpenW(L"move-test-2", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  ASSERT_NE(other, nullptr);
  {
    UniqueInternetHandle third(other);
    third = std::move(second);  // closes `other`, takes `raw`
    EXPECT_FALSE(IsOpen(other));
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
}

}  // namespace
