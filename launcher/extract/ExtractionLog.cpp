#include "launcher/extract/ExtractionLog.h"

#include <io.h>
#include <windows.h>

#include <cstdio>

#include "base/Utf8.h"

namespace SevenZip::intl {

void WriteLogLine(const std::wstring& text) {
  std::fflush(stdout);
  // The handle behind the C runtime's standard output, so that a redirection
  // made with _dup2 applies here too. The runtime's own stdio is bypassed:
  // on a character device that is no console (NUL) it writes so slowly under
  // Wine that the log would cost more than the extraction.
  HANDLE out = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout)));
  if (out == INVALID_HANDLE_VALUE || out == nullptr) return;
  DWORD mode = 0;
  DWORD done = 0;
  if (GetConsoleMode(out, &mode)) {
    std::wstring line = text + L"\n";
    WriteConsoleW(out, line.data(), static_cast<DWORD>(line.size()), &done, nullptr);
    return;
  }
  const std::string utf8 = Utf8FromWide(text + L"\r\n");
  WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &done, nullptr);
}

}  // namespace SevenZip::intl
