#include "launcher/fs/SafePath.h"

#include <gtest/gtest.h>

#include "tests/support/Files.h"

namespace {

// Windows drops trailing dots and blanks of a component, so any component made
// of dots and blanks alone may name the parent or the directory itself.
TEST(IsSafeItemPath, ComponentsOfDotsAndBlanksAreRefusedInEveryMix) {
  const struct {
    const wchar_t* path;
    bool safe;
  } cases[] = {
      {L"a\\..\\b", false},
      {L"a\\.. \\b", false},
      {L"a\\ ..\\b", false},
      {L"a\\. .\\b", false},
      {L"a\\ \\b", false},
      {L".. ", false},
      {L" .. \\x", false},
      {L"a/... /x", false},
      {L"a\\.\\b", true},
      {L"a\\..x\\b", true},
      {L"a\\. b\\c", true},
      {L"..a", true},
      {L"a\\b. \\c", false},
      // A trailing dot or blank: Windows drops it in some places and keeps it
      // in others, so the name may reach another file than it says.
      {L"b \\victim.txt", false},
      {L"a.\\b", false},
      {L"a\\b.", false},
      {L"a\\b ", false},
      {L"a\\b.c", true},
  };
  for (const auto& c : cases) EXPECT_EQ(Launcher::IsSafeItemPath(c.path), c.safe) << Narrow(c.path);
}

}  // namespace
