#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "tests/support/Stopwatch.h"

// A child process a bench times: its handle, and the moment just before
// CreateProcessW, from which the bench counts.
struct TimedChild {
  UniqueHandle process;
  LARGE_INTEGER start = {};
};

// Starts `commandLine` in `directory`. False, with the platform's error in
// `*error` when given, when the process cannot be created.
inline bool StartTimedChild(const std::wstring& commandLine, const std::wstring& directory, TimedChild& child,
                            DWORD* error = nullptr) {
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  child.start = Now();
  if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup,
                        &info)) {
    if (error) *error = ::GetLastError();
    return false;
  }
  UniqueHandle thread(info.hThread);
  child.process.Reset(info.hProcess);
  return true;
}
