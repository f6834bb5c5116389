// The lenient UTF-8 conversions of base/Utf8.h.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/Utf8.h"

namespace {

struct Utf8Case {
  const char* name;
  std::wstring wide;
  std::string utf8;
};

TEST(Utf8, ConvertsBothWaysTable) {
  const Utf8Case cases[] = {
      {"empty", L"", ""},
      {"ascii", L"VxSpeedUp.exe", "VxSpeedUp.exe"},
      {"chinese", L"\u5347\u7EA7", "\xE5\x8D\x87\xE7\xBA\xA7"},  // 升级
      {"surrogate pair", L"\U0001F600", "\xF0\x9F\x98\x80"},
      {"embedded nul", std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Utf8Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8FromWide(c.wide), c.utf8);
    EXPECT_EQ(WideFromUtf8(c.utf8), c.wide);
  }
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
  // A lone continuation byte and a truncated sequence.
  const std::wstring wide = WideFromUtf8(
      "a\x80"
      "b\xE5\x8D");
  ASSERT_FALSE(wide.empty());
  EXPECT_EQ(wide.front(), L'a');
  EXPECT_NE(wide.find(L'\uFFFD'), std::wstring::npos);
  EXPECT_NE(wide.find(L'b'), std::wstring::npos);
  // An unpaired surrogate.
  const std::string utf8 = Utf8FromWide(std::wstring(L"x") + static_cast<wchar_t>(0xD800) + L"y");
  EXPECT_EQ(utf8, "x\xEF\xBF\xBDy");
}

}  // namespace
