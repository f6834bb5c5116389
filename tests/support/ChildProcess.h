#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/UniqueHandle.h"

// A real child process started by a test, its standard output and error going
// to a file. The destructor kills a child that still runs.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(ChildProcess&&) = default;
  ChildProcess& operator=(ChildProcess&&) = default;

  // Starts `commandLine`; standard output and error go to `outputFile` (none
  // when empty). `directory` is the working directory (inherited when empty).
  bool Start(const std::wstring& commandLine, const std::wstring& outputFile = L"",
             const std::wstring& directory = L"");
  bool IsRunning() const;
  // Waits up to `milliseconds`; returns the exit code, or -1 on a time-out.
  long Wait(DWORD milliseconds);
  void Kill();

 private:
  UniqueHandle process_;
};

// Polls `condition` every 20 ms until it holds or `milliseconds` have passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds);
