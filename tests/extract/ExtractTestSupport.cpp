#include "tests/extract/ExtractTestSupport.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "tests/support/Files.h"

std::wstring ArchivePath(const std::wstring& name) {
  return TestBinDirectory() + L"archives\\" + name;
}

CapturedOutput::CapturedOutput() {
  wchar_t directory[MAX_PATH];
  wchar_t name[MAX_PATH];
  GetTempPathW(MAX_PATH, directory);
  GetTempFileNameW(directory, L"out", 0, name);
  file_ = name;
  std::fflush(stdout);
  saved_ = _dup(1);
  int fd = _wopen(file_.c_str(), _O_WRONLY | _O_TRUNC | _O_BINARY);
  _dup2(fd, 1);
  _close(fd);
}

CapturedOutput::~CapturedOutput() {
  Stop();
  DeleteFileW(file_.c_str());
}

void CapturedOutput::Stop() {
  if (saved_ < 0) return;
  std::fflush(stdout);
  _dup2(saved_, 1);
  _close(saved_);
  saved_ = -1;
}

std::vector<std::wstring> CapturedOutput::Lines() {
  Stop();
  std::wstring text = Widen(ReadBytes(file_));
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> items) {
  std::sort(items.begin(), items.end());
  return items;
}
