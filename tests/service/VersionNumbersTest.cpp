#include "launcher/service/VersionNumbers.h"

#include <gtest/gtest.h>

#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace Launcher;

namespace {

struct VersionCase {
  const wchar_t* installed;
  const wchar_t* offered;
  bool needsUpdate;
};

TEST(NeedsUpdate, ComparesPartsAsSignedNumbers) {
  const VersionCase cases[] = {
      {L"1.0.0.9", L"1.0.0.10", true},  // a textual comparison would say false
      {L"1.0.0.10", L"1.0.0.9", false},
      {L"1.0.1.0", L"1.0.0.10", false},
      {L"2.0.0.0", L"1.9.9.9", false},
      {L"1.9.9.9", L"2.0.0.0", true},
      {L"1.2.3.4", L"1.2.3.4", false},
      {L"1.02.3.4", L"1.2.3.4", false},  // leading zeros do not matter
      {L"1.2.3.4", L"1.02.3.5", true},
      {L"", L"1.0.0.0", true},  // missing product: install it
      {L"1.0.0.0", L"", true},  // no offered version
      {L"", L"", true},
      {L"1.2", L"1.2.0.0", false},  // parts a text does not supply read as 0
      {L"1.2", L"1.2.0.1", true},
      {L"1.2.0.1", L"1.2", false},
      {L"1,2,3,4", L"1.0.0.0", false},  // commas: only the first part is read
      {L"1,2,3,4", L"1.0.0.1", true},
      {L"abc", L"0.0.0.0", false},  // nothing readable: all parts 0
      {L"abc", L"0.0.0.1", true},
      {L" 1. 2. 3. 4", L"1.2.3.4", false},  // blanks before a number are skipped
      {L"-1.0.0.0", L"0.0.0.0", true},      // parts are signed
      {L"1.0.0.0", L"-1.0.0.0", false},
      {L"1.0.0.0-beta", L"1.0.0.0", false},
  };
  for (const VersionCase& c : cases) {
    EXPECT_EQ(NeedsUpdate(c.installed, c.offered), c.needsUpdate)
        << "installed '" << Narrow(c.installed) << "' offered '" << Narrow(c.offered) << "'";
  }
}

TEST(FormatDecimal, WritesSignedDecimal) {
  EXPECT_EQ(FormatDecimal(169), L"169");
  EXPECT_EQ(FormatDecimal(0), L"0");
  EXPECT_EQ(FormatDecimal(-42), L"-42");
  EXPECT_EQ(FormatDecimal(2147483647), L"2147483647");
  EXPECT_EQ(FormatDecimal(-2147483647 - 1), L"-2147483648");
}

struct QueryCase {
  const wchar_t* executable;  // in the test folder; empty for the special cases
  bool result;
  const wchar_t* text;  // what `out` holds afterwards; it starts as "untouched"
};

TEST(QueryVersionString, ReadsFirstLanguageOfRealExecutables) {
  const QueryCase cases[] = {
      {L"standin_v1_0_0_9.exe", true, L"1.0.0.9"},
      // Only the first language of the translation list is consulted.
      {L"standin_two_languages.exe", true, L"2.0.0.0"},
      {L"standin_first_language_lacks_entry.exe", true, L"untouched"},
      // A version resource without the entry: the query was made.
      {L"standin_no_file_version.exe", true, L"untouched"},
      {L"standin_no_version_resource.exe", false, L"untouched"},
      {L"does_not_exist.exe", false, L"untouched"},
  };
  for (const QueryCase& c : cases) {
    std::wstring out = L"untouched";
    EXPECT_EQ(QueryVersionString(TestBinDirectory() + c.executable, L"FileVersion", out), c.result)
        << Narrow(c.executable);
    EXPECT_EQ(out, c.text) << Narrow(c.executable);
  }
}

TEST(QueryVersionString, RefusesEmptyArgumentsAndNonExecutables) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"VxSpeedUp.exe", "this is not an executable at all"));
  std::wstring out = L"untouched";
  EXPECT_FALSE(QueryVersionString(dir / L"VxSpeedUp.exe", L"FileVersion", out));
  EXPECT_FALSE(QueryVersionString(L"", L"FileVersion", out));
  EXPECT_FALSE(QueryVersionString(TestBinDirectory() + L"standin_v1_0_0_9.exe", L"", out));
  EXPECT_EQ(out, L"untouched");
}

}  // namespace
