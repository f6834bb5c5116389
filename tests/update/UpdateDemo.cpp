// update_demo.exe DIR URL: runs one update session over the installation in
// DIR, offered the package at URL signed as the tests sign, and prints what
// the update window would show.
#include <windows.h>

#include <cstdio>

#include "launcher/update/UpdateSession.h"
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  std::wstring directory = argv[1];
  if (directory.back() != L'\\') directory += L'\\';
  const Installation installation(directory);
  PrintingSink sink;
  UpdateSession(installation, SignedOffer(argv[2]), sink, TestOptions()).Run();
  return sink.ended == UpdateEnd::Installed ? 0 : 1;
}
