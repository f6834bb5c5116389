#include "tests/ui/UpdateWindowProbe.h"

#include <fstream>
#include <sstream>

#include "base/WindowDC.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"

namespace UpdateProbe {

HWND WaitForWindow(DWORD milliseconds) {
  HWND window = nullptr;
  WaitUntil(
      [&] {
        window = ::FindWindowW(L"MainWindow", nullptr);
        return window && ::IsWindowVisible(window);
      },
      milliseconds);
  return window && ::IsWindowVisible(window) ? window : nullptr;
}

DWORD Rgb(const DibCanvas& canvas, int x, int y) {
  return canvas.Pixel(x, y) & 0xFFFFFF;
}

std::unique_ptr<DibCanvas> Capture(HWND window, DWORD milliseconds) {
  auto canvas = std::make_unique<DibCanvas>(kWidth, kHeight);
  const bool painted = WaitUntil(
      [&] {
        WindowDC screen(window);
        if (!screen) return false;
        ::BitBlt(canvas->dc(), 0, 0, kWidth, kHeight, screen.Get(), 0, 0, SRCCOPY);
        ::GdiFlush();
        return Rgb(*canvas, kWidth - 2, kBarY) == kBarTrack || Rgb(*canvas, kWidth - 2, kBarY) == kBarFill;
      },
      milliseconds);
  return painted ? std::move(canvas) : nullptr;
}

int BarWidth(const DibCanvas& canvas) {
  int x = 0;
  while (x < kWidth && Rgb(canvas, x, kBarY) == kBarFill) ++x;
  for (int rest = x; rest < kWidth; ++rest) {
    if (Rgb(canvas, rest, kBarY) != kBarTrack) return -1;
  }
  return x;
}

int WaitForBarWidth(HWND window, int width, DWORD milliseconds) {
  int seen = -1;
  WaitUntil(
      [&] {
        auto shot = Capture(window, 0);
        seen = shot ? BarWidth(*shot) : -1;
        return seen == width;
      },
      milliseconds);
  return seen;
}

std::vector<DWORD> Region(const DibCanvas& canvas, const RECT& rc) {
  std::vector<DWORD> pixels;
  for (int y = rc.top; y < rc.bottom; ++y) {
    for (int x = rc.left; x < rc.right; ++x) pixels.push_back(Rgb(canvas, x, y));
  }
  return pixels;
}

void Click(HWND window, POINT at) {
  const LPARAM where = MAKELPARAM(at.x, at.y);
  ::PostMessageW(window, WM_MOUSEMOVE, 0, where);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
  ::PostMessageW(window, WM_LBUTTONUP, 0, where);
}

void PressKey(HWND window, WPARAM key) {
  ::PostMessageW(window, WM_KEYDOWN, key, 1);
  ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

namespace {

struct BoxSearch {
  DWORD processId;
  std::vector<HWND> boxes;
};

std::vector<HWND> BoxesOf(DWORD processId) {
  BoxSearch search{processId, {}};
  ::EnumWindows(
      [](HWND window, LPARAM param) WINAPI -> BOOL {
        auto* search = reinterpret_cast<BoxSearch*>(param);
        wchar_t name[32] = {};
        ::GetClassNameW(window, name, 32);
        if (std::wstring(name) == L"MessageBox" && ::IsWindowVisible(window) &&
            ProcessOf(window) == search->processId) {
          search->boxes.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.boxes;
}

}  // namespace

DWORD ProcessOf(HWND window) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  return processId;
}

int CountMessageBoxes(DWORD processId) {
  return static_cast<int>(BoxesOf(processId).size());
}

HWND WaitForBoxOf(DWORD processId, DWORD milliseconds) {
  HWND box = nullptr;
  WaitUntil(
      [&] {
        const std::vector<HWND> boxes = BoxesOf(processId);
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr;
      },
      milliseconds);
  return box;
}

}  // namespace UpdateProbe

namespace HomePageLog {

namespace {

std::wstring LogPath() {
  return TestBinDirectory() + L"homepage.log";
}

}  // namespace

bool Install() {
  Clear();
  const std::wstring script = Widen(HOMEPAGE_BROWSER_SCRIPT);
  return ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers", REG_SZ, script.c_str(),
                           static_cast<DWORD>((script.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void Clear() {
  ::DeleteFileW(LogPath().c_str());
}

std::vector<std::string> Addresses() {
  std::istringstream lines(ReadBytes(LogPath()));
  std::vector<std::string> addresses;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) addresses.push_back(line);
  }
  return addresses;
}

std::vector<std::string> WaitForAddresses(size_t count, DWORD milliseconds) {
  WaitUntil([&] { return Addresses().size() >= count; }, milliseconds);
  ::Sleep(500);
  return Addresses();
}

}  // namespace HomePageLog
