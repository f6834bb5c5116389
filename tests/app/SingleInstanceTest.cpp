// Real launcher processes racing for the machine-wide single-instance event.
#include <windows.h>

#include <sddl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>

#include "base/UniqueLocalMemory.h"
#include "launcher/app/SingletonExe.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace Launcher;

namespace {

int CountOf(const std::string& text, const std::string& needle) {
  int count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
  return count;
}

bool GuardHeld() {
  HANDLE event = ::OpenEventW(SYNCHRONIZE, FALSE, L"Global\\VxSpeedUp");
  if (event == nullptr) return false;
  ::CloseHandle(event);
  return true;
}

class SingleInstance : public ::testing::Test {
 protected:
  std::wstring Probe(const std::wstring& stopEvent) const {
    return L"\"" + TestBinDirectory() + L"guard_probe.exe\" " + stopEvent;
  }
  TempDir dir_;
};

TEST_F(SingleInstance, SecondLauncherIsRefusedAndFirstIsTold) {
  const std::wstring stopName = L"Local\\guard-probe-stop-" + std::to_wstring(::GetCurrentProcessId());
  UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, stopName.c_str()));
  ASSERT_FALSE(GuardHeld()) << "another launcher holds the event";

  ChildProcess first;
  ASSERT_TRUE(first.Start(Probe(stopName), dir_ / L"first.txt"));
  ASSERT_TRUE(WaitUntil(GuardHeld, 20000));

  ChildProcess second;
  ASSERT_TRUE(second.Start(Probe(stopName), dir_ / L"second.txt"));
  EXPECT_EQ(second.Wait(20000), SingletonExe::kRefusedExitCode);
  EXPECT_EQ(ReadBytes(dir_ / L"second.txt"), "has a exe running!\r\n");
  EXPECT_TRUE(
      WaitUntil([&] { return CountOf(ReadBytes(dir_ / L"first.txt"), "has other exe want to run") == 1; }, 10000));
  EXPECT_TRUE(first.IsRunning());

  // Three more, one after another: one line each, or fewer when signals merge.
  for (int i = 0; i < 3; ++i) {
    ChildProcess later;
    ASSERT_TRUE(later.Start(Probe(stopName), dir_ / (L"later" + std::to_wstring(i) + L".txt")));
    EXPECT_EQ(later.Wait(20000), SingletonExe::kRefusedExitCode);
  }
  ::Sleep(300);
  const int told = CountOf(ReadBytes(dir_ / L"first.txt"), "has other exe want to run");
  EXPECT_GE(told, 2);
  EXPECT_LE(told, 4);
  EXPECT_TRUE(first.IsRunning());

  // The first launcher ends (its guard stops and joins the watcher); a new
  // launcher afterwards is the first again.
  ::SetEvent(stop.Get());
  EXPECT_EQ(first.Wait(20000), 0);
  EXPECT_FALSE(GuardHeld());
  ::ResetEvent(stop.Get());

  ChildProcess again;
  ASSERT_TRUE(again.Start(Probe(stopName), dir_ / L"again.txt"));
  ASSERT_TRUE(WaitUntil(GuardHeld, 20000));
  EXPECT_TRUE(again.IsRunning());
  ::SetEvent(stop.Get());
  EXPECT_EQ(again.Wait(20000), 0);
  EXPECT_EQ(ReadBytes(dir_ / L"again.txt"), "");
}

// An event of the launcher's name that another account made first, one that
// anybody may signal or one that keeps administrators out, is no reason to
// end: the launcher runs (without a guard), where a launcher's own event
// refuses the second launcher (above).
TEST_F(SingleInstance, AnotherAccountsEventUnderTheNameIsNoReasonToEnd) {
  const std::wstring stopName = L"Local\\guard-probe-squat-" + std::to_wstring(::GetCurrentProcessId());
  UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, stopName.c_str()));
  ASSERT_FALSE(GuardHeld()) << "another launcher holds the event";
  for (const wchar_t* dacl : {L"D:(A;;GA;;;WD)", L"D:(D;;GA;;;WD)", L"D:(A;;GA;;;BA)(A;;0x1f0003;;;BU)"}) {
    SCOPED_TRACE(Narrow(dacl));
    PSECURITY_DESCRIPTOR raw = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(dacl, SDDL_REVISION_1, &raw, nullptr));
    UniqueLocalMemory descriptor(raw);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
    UniqueHandle squat(::CreateEventW(&attributes, FALSE, FALSE, L"Global\\VxSpeedUp"));
    ASSERT_TRUE(squat);
    ::ResetEvent(stop.Get());
    ChildProcess launcher;
    ASSERT_TRUE(launcher.Start(Probe(stopName), dir_ / L"squat.txt"));
    EXPECT_FALSE(WaitUntil([&] { return !launcher.IsRunning(); }, 1500)) << "ended at once";
    ::SetEvent(stop.Get());
    EXPECT_EQ(launcher.Wait(20000), 0);
    EXPECT_NE(ReadBytes(dir_ / L"squat.txt").find("running without the guard"), std::string::npos)
        << ReadBytes(dir_ / L"squat.txt");
  }
}

int ThreadsOfThisProcess() {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more; more = ::Thread32Next(snapshot.Get(), &entry)) {
    if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
  }
  return count;
}

TEST(SingletonExe, WatcherThreadOnlyWithHandlerAndJoinedOnDestruction) {
  const int before = ThreadsOfThisProcess();
  {
    SingletonExe guard;
    bool ran = false;
    guard.OnAlreadyRunning([&] { ran = true; });
    guard.Start(L"VxSpeedUp-test-a-" + std::to_wstring(::GetCurrentProcessId()));
    EXPECT_FALSE(ran);
    EXPECT_EQ(ThreadsOfThisProcess(), before);
  }
  {
    SingletonExe guard;
    guard.OnOtherWantsToRun([] {});
    guard.Start(L"VxSpeedUp-test-b-" + std::to_wstring(::GetCurrentProcessId()));
    EXPECT_EQ(ThreadsOfThisProcess(), before + 1);
  }
  EXPECT_TRUE(WaitUntil([&] { return ThreadsOfThisProcess() == before; }, 5000));
}

}  // namespace
