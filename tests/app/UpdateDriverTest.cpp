#include "launcher/app/UpdateDriver.h"

#include <gtest/gtest.h>

#include "tests/support/Files.h"

using namespace Launcher;

namespace {

VersionReply Reply(bool succeeded, int code, const wchar_t* latest) {
  VersionReply reply;
  reply.requestSucceeded = succeeded;
  reply.code = code;
  reply.latestVersion = latest;
  return reply;
}

TEST(ChooseRoad, FirstMatchWins) {
  const struct {
    VersionReply reply;
    const wchar_t* installed;
    Road road;
    const wchar_t* floor = L"";  // the highest version the launcher installed
  } cases[] = {
      {Reply(false, 0, L""), L"1.0.0.0", Road::ReportServiceFailure},
      {Reply(false, 0, L"9.0.0.0"), L"", Road::ReportServiceFailure},
      {Reply(true, 1, L"9.0.0.0"), L"1.0.0.0", Road::StartProduct},  // the service declines
      {Reply(true, 7, L""), L"", Road::StartProduct},                // whatever the versions
      {Reply(true, -1, L""), L"", Road::StartProduct},
      {Reply(true, 0, L"1.0.0.10"), L"1.0.0.9", Road::OpenUpdateWindow},
      {Reply(true, 0, L"1.0.0.10"), L"1.0.1.0", Road::StartProduct},
      {Reply(true, 0, L"1.0.0.10"), L"1.0.0.10", Road::StartProduct},
      {Reply(true, 0, L"1.0.0.10"), L"", Road::OpenUpdateWindow},  // fresh install
      {Reply(true, 0, L""), L"1.0.0.9", Road::OpenUpdateWindow},   // unreadable reply, empty object
      // Never below what was installed, even when the product is unreadable.
      {Reply(true, 0, L"1.0.0.10"), L"", Road::StartProduct, L"1.0.0.11"},
      {Reply(true, 0, L"1.0.0.10"), L"1.0.0.9", Road::StartProduct, L"1.0.0.11"},
      {Reply(true, 0, L"1.0.0.10"), L"", Road::OpenUpdateWindow, L"1.0.0.10"},  // the same again, reinstalled
      {Reply(true, 0, L"1.0.0.11"), L"1.0.0.9", Road::OpenUpdateWindow, L"1.0.0.10"},
      {Reply(false, 0, L"1.0.0.10"), L"", Road::ReportServiceFailure, L"1.0.0.11"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseRoad(c.reply, c.installed, c.floor), c.road)
        << "code " << c.reply.code << " latest '" << Narrow(c.reply.latestVersion) << "' installed '"
        << Narrow(c.installed) << "' floor '" << Narrow(c.floor) << "'";
  }
}

}  // namespace
