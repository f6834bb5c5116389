// peak_memory DIRECTORY COMMAND: runs COMMAND in DIRECTORY and watches the
// child's memory counters (GetProcessMemoryInfo on the handle this parent
// holds) every few milliseconds until it exits. Prints "peak_memory:
// PEAK_WORKING_SET PEAK_PRIVATE EXIT_CODE MS" on a line of its own (the
// child may write to the same output): the largest peak working set and peak private
// bytes seen, in bytes, the child's exit code and its run time. The counters
// are peaks kept by the system, so sampling loses nothing but what the child
// adds after the last look; once it has exited they can no longer be read
// everywhere. A child still running after 15 minutes is ended (exit code
// 259 is then printed).
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "tests/bench/TimedChild.h"
#include "tests/support/Stopwatch.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  TimedChild child;
  if (!StartTimedChild(argv[2], argv[1], child)) return 3;
  const UniqueHandle& process = child.process;
  const LARGE_INTEGER start = child.start;
  SIZE_T peakWorkingSet = 0, peakPrivate = 0;
  const ULONGLONG deadline = ::GetTickCount64() + 15 * 60 * 1000;
  for (;;) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(process.Get(), &counters, sizeof counters)) {
      peakWorkingSet = std::max(peakWorkingSet, counters.PeakWorkingSetSize);
      peakPrivate = std::max(peakPrivate, counters.PeakPagefileUsage);
    }
    if (::WaitForSingleObject(process.Get(), 5) != WAIT_TIMEOUT) break;
    if (::GetTickCount64() > deadline) {
      ::TerminateProcess(process.Get(), STILL_ACTIVE);
      ::WaitForSingleObject(process.Get(), 10000);
      break;
    }
  }
  const double ms = Microseconds(start, Now()) / 1000.0;
  DWORD exitCode = 0;
  ::GetExitCodeProcess(process.Get(), &exitCode);
  std::printf("peak_memory: %llu %llu %lu %.0f\n", static_cast<unsigned long long>(peakWorkingSet),
              static_cast<unsigned long long>(peakPrivate), exitCode, ms);
  return 0;
}
