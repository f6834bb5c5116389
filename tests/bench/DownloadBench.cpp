// download_bench URL TARGET: the launcher's DownloadToFile, with a callback
// that posts progress to no window. Exit code 0 on success.
#include <windows.h>

#include "launcher/net/FileDownload.h"

using namespace Launcher;

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  ::CoInitialize(nullptr);
  return DownloadToFile(argv[1], argv[2], BindCallback(nullptr)) ? 0 : 1;
}
