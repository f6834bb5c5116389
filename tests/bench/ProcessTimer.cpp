// process_timer ROUNDS DIRECTORY COMMAND_A COMMAND_B: runs A and B alternately
// ROUNDS times in DIRECTORY, each from CreateProcessW to its exit, and prints
// "A_MEDIAN_MS B_MEDIAN_MS A_EXIT B_EXIT" (exit codes of the last rounds).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/bench/TimedChild.h"

namespace {

double RunOnce(const std::wstring& commandLine, const std::wstring& directory, DWORD& exitCode) {
  TimedChild child;
  if (!StartTimedChild(commandLine, directory, child, &exitCode)) return -1;
  ::WaitForSingleObject(child.process.Get(), INFINITE);
  const LARGE_INTEGER end = Now();
  ::GetExitCodeProcess(child.process.Get(), &exitCode);
  return Microseconds(child.start, end) / 1000.0;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  const int rounds = _wtoi(argv[1]);
  std::vector<double> a, b;
  DWORD exitA = 0, exitB = 0;
  for (int i = 0; i < rounds; ++i) {
    a.push_back(RunOnce(argv[3], argv[2], exitA));
    b.push_back(RunOnce(argv[4], argv[2], exitB));
  }
  std::printf("%.2f %.2f %lu %lu\n", Median(a), Median(b), exitA, exitB);
  return 0;
}
