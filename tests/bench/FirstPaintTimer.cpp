// first_paint_timer ROUNDS DIRECTORY X Y RRGGBB LEFTOVER COMMAND_A COMMAND_B:
// starts A and B alternately ROUNDS times in DIRECTORY and times each from
// CreateProcessW to the first moment a visible top-level window of that
// process shows the colour RRGGBB at client point X,Y on the screen, read
// back as any other program would (GetDC + GetPixel). The child is then
// ended and DIRECTORY\LEFTOVER (what an ended child may leave behind, "-"
// for nothing) deleted, so that every round starts alike. Prints
// "A_MEDIAN_MS B_MEDIAN_MS A_MISSED B_MISSED": a missed round is one whose
// window never showed the colour within 20 s, or whose process ended first.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "base/WindowDC.h"
#include "tests/bench/TimedChild.h"
#include "tests/support/Stopwatch.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

struct Target {
  DWORD processId;
  POINT at;
  COLORREF colour;
  bool shown;
};

// True when some visible top-level window of the process shows the colour.
bool Shows(Target& target) {
  target.shown = false;
  ::EnumWindows(
      [](HWND window, LPARAM param) WINAPI -> BOOL {
        auto* target = reinterpret_cast<Target*>(param);
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        if (processId != target->processId || !::IsWindowVisible(window)) return TRUE;
        WindowDC screen(window);
        if (screen && ::GetPixel(screen.Get(), target->at.x, target->at.y) == target->colour) {
          target->shown = true;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&target));
  return target.shown;
}

// Milliseconds to the colour, or a negative number for a missed round.
double RunOnce(const std::wstring& commandLine, const std::wstring& directory, POINT at, COLORREF colour) {
  TimedChild child;
  if (!StartTimedChild(commandLine, directory, child)) return -1;
  const UniqueHandle& process = child.process;
  const LARGE_INTEGER start = child.start;
  Target target{::GetProcessId(process.Get()), at, colour, false};
  double elapsed = -1;
  const ULONGLONG deadline = ::GetTickCount64() + kTimeoutMs;
  // A short wait on the process between looks: it ends the loop at once when
  // the child dies, and leaves the child the CPU most of the time.
  while (::WaitForSingleObject(process.Get(), 1) == WAIT_TIMEOUT && ::GetTickCount64() < deadline) {
    if (Shows(target)) {
      elapsed = Microseconds(start, Now()) / 1000.0;
      break;
    }
  }
  ::TerminateProcess(process.Get(), 1);
  ::WaitForSingleObject(process.Get(), 10000);
  return elapsed;
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void DeleteLeftover(const std::wstring& path) {
  // The ended child's files close a moment after its end under some systems.
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES || ::DeleteFileW(path.c_str())) return;
    ::Sleep(20);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 9) return 2;
  const int rounds = _wtoi(argv[1]);
  const std::wstring directory = argv[2];
  const POINT at = {_wtoi(argv[3]), _wtoi(argv[4])};
  const unsigned long rgb = std::wcstoul(argv[5], nullptr, 16);
  const COLORREF colour = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  const std::wstring leftover = std::wstring(argv[6]) == L"-" ? L"" : directory + L"\\" + argv[6];
  std::vector<double> a, b;
  int missedA = 0, missedB = 0;
  for (int i = 0; i < rounds; ++i) {
    for (int which = 0; which < 2; ++which) {
      const double ms = RunOnce(argv[7 + which], directory, at, colour);
      if (!leftover.empty()) DeleteLeftover(leftover);
      if (ms < 0) {
        ++(which == 0 ? missedA : missedB);
      } else {
        (which == 0 ? a : b).push_back(ms);
      }
    }
  }
  std::printf("%.2f %.2f %d %d\n", Median(a), Median(b), missedA, missedB);
  return 0;
}
