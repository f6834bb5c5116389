// update_demo.exe DIR URL [STEP EVENT]: runs one update session over the
// installation in DIR, offered the package at URL signed as the tests sign,
// and prints what the update window would show. With STEP (an install step's
// name, tests/update/InstallStepName.h) and EVENT it stops where it first
// passes that step: sets the event EVENT and waits there for the test to
// kill it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

#include "base/UniqueHandle.h"
#include "launcher/update/UpdateSession.h"
#include "tests/update/InstallStepName.h"
#include "tests/update/SignedOffer.h"

using namespace Launcher;

namespace {

class PrintingSink final : public UpdateSink {
 public:
  void OnProgress(std::uint64_t done, std::uint64_t total) override {
    if (total > 0) std::printf("update: %llu of %llu bytes\n", done, total);
  }
  void OnFinished(UpdateEnd end, const Status&) override {
    ended = end;
    std::printf("update: %s\n", end == UpdateEnd::Installed        ? "installed"
                                : end == UpdateEnd::DownloadFailed ? "download failed"
                                                                   : "installation failed, old files restored");
  }
  UpdateEnd ended = UpdateEnd::DownloadFailed;
};

class Stopper final : public InstallWatcher {
 public:
  Stopper(std::wstring step, std::wstring event) : step_(std::move(step)), event_(std::move(event)) {}

  void Reached(InstallStep step) override {
    const std::string name = InstallStepName(step);
    if (step_ != std::wstring(name.begin(), name.end())) return;
    std::printf("step:%s\n", name.c_str());
    std::fflush(stdout);
    UniqueHandle reached(::OpenEventW(EVENT_MODIFY_STATE, FALSE, event_.c_str()));
    ::SetEvent(reached.Get());
    ::Sleep(INFINITE);
  }

 private:
  std::wstring step_;
  std::wstring event_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 5) return 2;
  std::wstring directory = argv[1];
  if (directory.back() != L'\\') directory += L'\\';
  const Installation installation(directory);
  PrintingSink sink;
  UpdateSession::Options options = TestOptions();
  Stopper stopper(argc == 5 ? argv[3] : L"", argc == 5 ? argv[4] : L"");
  if (argc == 5) options.watcher = &stopper;
  UpdateSession(installation, SignedOffer(argv[2]), sink, options).Run();
  return sink.ended == UpdateEnd::Installed ? 0 : 1;
}
