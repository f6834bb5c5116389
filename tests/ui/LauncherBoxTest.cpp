// The launcher built against loopback version services that give no usable
// reply: the skinned "Get Data Failed!" box appears, OK ends the run with
// exit code 0 and the product is not started.
#include <gtest/gtest.h>

#include "launcher/net/HttpClient.h"
#include "tests/net/NetTestPorts.h"
#include "tests/ui/GetDataFailedRoad.h"

using namespace Launcher;

namespace {

struct LauncherCase {
  const char* name;
  const wchar_t* launcher;  // built against this service
  const char* reply;        // what the loopback service answers (null: not asked)
};

class LauncherBoxTest : public ::testing::TestWithParam<LauncherCase> {};

TEST_P(LauncherBoxTest, ShowsGetDataFailedAndEndsWithZeroAfterOk) {
  const LauncherCase& c = GetParam();
  if (c.reply) {
    HttpClient client;
    ASSERT_EQ(client.Get(HttpUrl(std::string("/control/driver?case=") + c.reply), ""), "set");
  }
  ExpectGetDataFailedRoad(c.launcher, c.name);
}

INSTANTIATE_TEST_SUITE_P(Cases, LauncherBoxTest,
                         ::testing::Values(LauncherCase{"status404", L"launcher_loopback.exe", "status404"},
                                           LauncherCase{"service_stopped", L"launcher_unreachable.exe", nullptr}),
                         [](const ::testing::TestParamInfo<LauncherCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
