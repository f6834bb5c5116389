// delta_bench DATA_JSON INSTALLATION INSTALLED_VERSION PUBLIC_KEY
//             [FIRST_BACKOFF_MS SOURCE...]:
// one update of the installation folder INSTALLATION (a full path ending in a
// backslash) as the launcher makes it: the reply {"Code":0,"Data":<DATA_JSON's
// text>} read with ReadVersionReply, the offer made with OfferOf for
// INSTALLED_VERSION, and an UpdateSession run with PUBLIC_KEY (the base64 line
// of a minisign.pub) in place of the built-in key. With SOURCEs the full
// package is offered from them alone, the first as its address and the others
// as its mirrors in their order, with downloads retried after
// FIRST_BACKOFF_MS doubling (the shipped count of retries); its deltas are
// dropped.
// Prints "delta_bench: MS END FIRST_BACKOFF_MS RETRIES" (MS from the offer's
// making to the session's end, END how it ended: Installed, InstallFailed or
// DownloadFailed, then the download's back-off and retries in effect) and
// exits 0 when the package was installed. The session's own line about a failure
// goes to the standard error stream.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>

#include "launcher/app/UpdateDriver.h"
#include "launcher/fs/Installation.h"
#include "launcher/service/VersionService.h"
#include "launcher/update/UpdateSession.h"
#include "tests/support/Files.h"
#include "tests/support/Stopwatch.h"

using namespace Launcher;

namespace {

struct Ending : UpdateSink {
  UpdateEnd end = UpdateEnd::DownloadFailed;
  bool finished = false;
  void OnProgress(std::uint64_t, std::uint64_t) override {}
  void OnFinished(UpdateEnd how, const Status&) override {
    end = how;
    finished = true;
  }
};

const char* Name(UpdateEnd end) {
  switch (end) {
    case UpdateEnd::Installed:
      return "Installed";
    case UpdateEnd::InstallFailed:
      return "InstallFailed";
    case UpdateEnd::DownloadFailed:
      break;
  }
  return "DownloadFailed";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5 || argc == 6) return 2;
  const std::string data = ReadBytes(argv[1]);
  if (data.empty()) {
    std::fprintf(stderr, "delta_bench: cannot read %ls\n", argv[1]);
    return 2;
  }
  const std::wstring key(argv[4]);
  UpdateSession::Options options;
  options.publicKey = std::string(key.begin(), key.end());  // base64 is ASCII
  const Installation installation(argv[2]);
  Ending ending;

  const LARGE_INTEGER start = Now();
  UpdateOffer offer = OfferOf(ReadVersionReply("{\"Code\":0,\"Data\":" + data + "}"), argv[3]);
  if (argc > 6) {
    options.timings.firstBackoffMs = static_cast<DWORD>(std::wcstoul(argv[5], nullptr, 10));
    offer.package.address = argv[6];
    offer.package.mirrors.assign(argv + 7, argv + argc);
    offer.deltas.clear();
  }
  UpdateSession(installation, std::move(offer), ending, options).Run();
  const LARGE_INTEGER end = Now();

  std::printf("delta_bench: %.0f %s %lu %d\n", Microseconds(start, end) / 1000,
              ending.finished ? Name(ending.end) : "Unfinished",
              static_cast<unsigned long>(options.timings.firstBackoffMs), options.timings.retries);
  return ending.finished && ending.end == UpdateEnd::Installed ? 0 : 1;
}
