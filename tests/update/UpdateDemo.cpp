// update_demo.exe DIR URL: runs one update of the installation in DIR from the
// package at URL the way the update window does (worker thread, messages to a
// window on the main thread) and prints what the window would show.
#include <windows.h>

#include <cstdio>
#include <thread>

#include "launcher/update/UpdateMessages.h"
#include "launcher/update/UpdateWorker.h"

using namespace Launcher;

namespace {

UINT finalMessage = 0;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_UPDATE_PROGRESS:
      if (lParam > 0)
        std::printf("update: %lu of %ld bytes\n", static_cast<unsigned long>(wParam), static_cast<long>(lParam));
      return 0;
    case WM_UPDATE_DOWNLOAD_FAILED:
    case WM_UPDATE_INSTALL_FAILED:
    case WM_UPDATE_INSTALL_DONE:
      finalMessage = message;
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"UpdateDemo";
  ::RegisterClassW(&windowClass);
  HWND window = ::CreateWindowExW(0, L"UpdateDemo", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

  std::wstring directory = argv[1];
  if (directory.back() != L'\\') directory += L'\\';
  std::thread(RunUpdate, directory, std::wstring(argv[2]), window).detach();
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);

  const char* outcome = finalMessage == WM_UPDATE_INSTALL_DONE      ? "installed"
                        : finalMessage == WM_UPDATE_DOWNLOAD_FAILED ? "download failed"
                                                                    : "installation failed, old files restored";
  std::printf("update: %s\n", outcome);
  return finalMessage == WM_UPDATE_INSTALL_DONE ? 0 : 1;
}
