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
  // Asked once per handle: under Wine the question is a trip to the server,
  // and two lines a file made it a noticeable part of the extraction.
  thread_local HANDLE asked = nullptr;
  thread_local bool console = false;
  DWORD mode = 0;
  if (out != asked) {
    console = GetConsoleMode(out, &mode) != FALSE;
    asked = out;
  }
  DWORD done = 0;
  if (console) {
    std::wstring line = text + L"\n";
    WriteConsoleW(out, line.data(), static_cast<DWORD>(line.size()), &done, nullptr);
    return;
  }
  const std::string utf8 = Utf8FromWide(text + L"\r\n");
  WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &done, nullptr);
}

}  // namespace SevenZip::intl
