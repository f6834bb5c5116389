// download_baseline URL TARGET: URLDownloadToFileW with an empty callback.
// Exit code 0 on S_OK.
#include <urlmon.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  ::CoInitialize(nullptr);
  return SUCCEEDED(::URLDownloadToFileW(nullptr, argv[1], argv[2], 0, nullptr)) ? 0 : 1;
}
