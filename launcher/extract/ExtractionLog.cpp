#include "launcher/extract/ExtractionLog.h"

#include <windows.h>

#include <cstdio>

namespace SevenZip::intl {

void WriteLogLine(const std::wstring& text) {
  std::wstring line = text + L"\n";
  int bytes = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return;
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(), bytes, nullptr, nullptr);
  // One call per line keeps lines whole when other threads print too; the
  // flush makes the log follow the extraction when output goes to a file.
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

}  // namespace SevenZip::intl
