// download_bench URL TARGET: the launcher's DownloadPackage of URL into
// TARGET (created afresh), with the shipped timings and a listener that
// drops what it hears. "{unique}" in URL is replaced by a number no other run
// uses, so that a scripted server (tests/net/package_server.py) takes each
// run as a run of its own. Exit code 0 on success.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"
#include "launcher/net/PackageDownload.h"

using namespace Launcher;

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  std::wstring url = argv[1];
  const size_t mark = url.find(L"{unique}");
  if (mark != std::wstring::npos) {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    url.replace(mark, 8, std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(now.QuadPart));
  }
  const std::wstring target = argv[2];
  UniqueHandle file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 3;
  const std::wstring directory = target.substr(0, target.find_last_of(L"\\/") + 1);
  ResumeState resume;
  struct Quiet : DownloadListener {
    void OnProgress(std::uint64_t, std::uint64_t) override {}
    void OnCheckpoint(const ResumeState&) override {}
  } quiet;
  PackageAddress address;
  if (!PackageAddress::Parse(url, address).ok()) return 4;
  return DownloadPackage(address, file.Get(), directory, resume, quiet).ok() ? 0 : 1;
}
