// signature_bench URL TARGET SIGNATURE_FILE PUBLIC_KEY VERSION WAY: the
// launcher's DownloadPackage of URL into TARGET, then the signature check the
// worker makes before anything is set aside (PackageSignature::Check). WAY
// "read": the check reads the package again; "taken": the hash is taken as
// the bytes arrive (PackageDigest, as the update session does) and the check
// uses it.
// Prints "signature_bench: DOWNLOAD_MS CHECK_MS VERDICT PEAK_DOWNLOAD
// PEAK_CHECK" (the process's peak working set in bytes after the download
// and after the check) and exits 0 when the download succeeded and the
// verdict is Valid.
#include <windows.h>
// After windows.h.
#include <psapi.h>

#include <cstdio>
#include <string>

#include "base/UniqueHandle.h"
#include "launcher/net/PackageDownload.h"
#include "launcher/update/PackageDigest.h"
#include "launcher/update/PackageSignature.h"
#include "tests/support/Files.h"
#include "tests/support/Stopwatch.h"

using namespace Launcher;

namespace {

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  return ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 7) return 2;
  const bool taken = std::wstring(argv[6]) == L"taken";
  PackageDigest digest;
  const std::wstring key(argv[4]);
  const PackageSignature signature(std::string(key.begin(), key.end()), Widen(ReadBytes(argv[3])), argv[5]);
  const LARGE_INTEGER start = Now();
  bool downloaded = false;
  {
    UniqueHandle file(::CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::wstring target(argv[2]);
    ResumeState resume;
    struct Quiet : DownloadListener {
      Quiet(PackageDigest* digest, HANDLE file) : digest(digest), file(file) {}
      void OnProgress(std::uint64_t, std::uint64_t) override {}
      void OnCheckpoint(const ResumeState&) override {}
      void OnWritten(std::uint64_t offset, const unsigned char* bytes, std::uint32_t size) override {
        if (digest) digest->Take(file, offset, bytes, size);
      }
      PackageDigest* digest;
      HANDLE file;
    } quiet(taken ? &digest : nullptr, file.Get());
    PackageAddress address;
    downloaded =
        file && PackageAddress::Parse(argv[1], address).ok() &&
        DownloadPackage(address, file.Get(), target.substr(0, target.find_last_of(L"\\/") + 1), resume, quiet).ok();
  }
  const LARGE_INTEGER downloadedAt = Now();
  const size_t peakDownload = PeakWorkingSet();
  // Held as the worker holds it: shared for reading only.
  UniqueHandle held(::CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  const Status checked =
      held ? signature.Check(held.Get(), taken ? &digest : nullptr) : Status::FromLastError("CreateFileW", argv[2]);
  const LARGE_INTEGER checkedAt = Now();
  std::printf("signature_bench: %.0f %.0f %s %u %u\n", Microseconds(start, downloadedAt) / 1000,
              Microseconds(downloadedAt, checkedAt) / 1000, checked.ok() ? "Valid" : "Refused",
              static_cast<unsigned>(peakDownload), static_cast<unsigned>(PeakWorkingSet()));
  if (!checked.ok()) std::fprintf(stderr, "%s\n", checked.ToString().c_str());
  return downloaded && checked.ok() ? 0 : 1;
}
