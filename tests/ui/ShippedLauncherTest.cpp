// The program users get, with its production constants: ctest runs this in a
// network namespace of its own (tests/support/without-network.sh), where the
// version service cannot be reached, so the shipped launcher must take the
// "Get Data Failed!" road and start nothing.
#include <gtest/gtest.h>

#include "tests/ui/GetDataFailedRoad.h"

TEST(ShippedLauncherTest, WithoutTheServiceShowsGetDataFailedAndStartsNothing) {
  ExpectGetDataFailedRoad(L"shipped_launcher.exe", "shipped");
}
