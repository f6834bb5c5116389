// The updating process that the kill test ends from outside.
//
//   install_child install ROOT PACKAGE STOP EVENT
//     Installs ROOT\PACKAGE into ROOT (InstallPackage; ROOT without its final
//     backslash, which would quote the closing quote). At the STOP-th step it
//     passes (counted from 1; 0 stops before the installation starts, with the
//     package downloaded) it writes "step:" and the step's name as a line
//     of standard output (among the extraction log's lines), sets
//     the event EVENT and waits for the event EVENT-go: the test kills it
//     there, or sets EVENT-go to let it go on. Exit code 0 when installed, 1
//     when the installation failed.
//   install_child repair ROOT
//     The next start's repair (RepairInterruptedUpdate); exit code: its outcome.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/UniqueHandle.h"
#include "launcher/update/UpdateJournal.h"
#include "launcher/update/UpdateRepair.h"
#include "launcher/update/UpdateSession.h"
#include "tests/update/InstallStepName.h"

using namespace Launcher;

namespace {

class Stopper : public InstallWatcher {
 public:
  Stopper(long stopAt, const std::wstring& event) : stop_at_(stopAt), event_(event) {}

  void Reached(InstallStep step) override { Count(InstallStepName(step)); }

  void Count(const char* name) {
    if (count_++ != stop_at_) return;
    std::printf("step:%s\n", name);
    std::fflush(stdout);
    UniqueHandle reached(::OpenEventW(EVENT_MODIFY_STATE, FALSE, event_.c_str()));
    UniqueHandle go(::OpenEventW(SYNCHRONIZE, FALSE, (event_ + L"-go").c_str()));
    ::SetEvent(reached.Get());
    ::WaitForSingleObject(go.Get(), INFINITE);
  }

 private:
  long stop_at_;
  long count_ = 0;
  std::wstring event_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 6 && std::wstring(argv[1]) == L"install") {
    const std::wstring root = std::wstring(argv[2]) + L"\\";
    Stopper stopper(std::wcstol(argv[4], nullptr, 10), argv[5]);
    stopper.Count("Downloaded");
    return InstallPackage(Installation(root), argv[3], &stopper).ok() ? 0 : 1;
  }
  if (argc == 3 && std::wstring(argv[1]) == L"repair") {
    return static_cast<int>(RepairInterruptedUpdate(Installation(std::wstring(argv[2]) + L"\\")));
  }
  return 2;
}
