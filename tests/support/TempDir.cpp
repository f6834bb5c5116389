#include "tests/support/TempDir.h"

#include <windows.h>

#include <atomic>

#include "tests/support/Files.h"

TempDir::TempDir(const std::wstring& hint) {
  static std::atomic<unsigned> counter{0};
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  for (;;) {
    std::wstring candidate = std::wstring(temp) + L"launcher-test " + hint + L" " +
                             std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
    if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate + L"\\";
      return;
    }
  }
}

TempDir::~TempDir() {
  RemoveTree(path_);
}
