#include "launcher/fs/RecordLines.h"

#include <windows.h>

#include <cstdio>

#include "base/Utf8ToWide.h"
#include "base/WideToUtf8.h"

namespace Launcher {

namespace {

constexpr char kLineEnd[] = "\r\n";

unsigned long Crc32(const std::string& bytes) {
  unsigned long crc = 0xFFFFFFFFul;
  for (const char byte : bytes) {
    crc ^= static_cast<unsigned char>(byte);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1ul)));
  }
  return crc ^ 0xFFFFFFFFul;
}

std::string EndLine(const std::string& sealed) {
  char end[32];
  std::snprintf(end, sizeof end, "end %08lx\r\n", Crc32(sealed));
  return end;
}

}  // namespace

bool RecordLines::Add(const char* keyword, const std::wstring& value) {
  for (const wchar_t c : value) {
    if (c == L'\r' || c == L'\n') return false;
  }
  std::string utf8;
  if (!WideToUtf8(value, utf8)) return false;
  body_ += keyword;
  body_ += ' ';
  body_ += utf8;
  body_ += kLineEnd;
  return true;
}

std::string RecordLines::Seal() const {
  const std::string sealed = header_ + kLineEnd + body_;
  return sealed + EndLine(sealed);
}

bool RecordLines::Open(const std::string& bytes, const std::string& header, std::vector<Line>& lines) {
  // The last line carries the checksum of everything before it.
  const size_t endLine = bytes.rfind("end ");
  // The end line follows a line end, after at least the header.
  if (endLine == std::string::npos || endLine < 2 || bytes.compare(endLine - 2, 2, kLineEnd) != 0) return false;
  if (bytes.compare(endLine, std::string::npos, EndLine(bytes.substr(0, endLine))) != 0) return false;
  std::vector<Line> read;
  size_t start = 0;
  for (size_t lineNumber = 0; start < endLine; ++lineNumber) {
    const size_t lineEnd = bytes.find(kLineEnd, start);
    const std::string line = bytes.substr(start, lineEnd - start);
    start = lineEnd + 2;
    if (lineNumber == 0) {
      if (line != header) return false;
      continue;
    }
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) return false;
    Line entry{line.substr(0, blank), std::wstring()};
    if (!Utf8ToWide(line.substr(blank + 1), entry.second)) return false;
    read.push_back(std::move(entry));
  }
  lines = std::move(read);
  return true;
}

}  // namespace Launcher
