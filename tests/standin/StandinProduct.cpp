// Stands in for the product in tests: records the exact command line it was
// started with, as UTF-16, in "commandline.txt" beside itself, then exits.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring file(path);
  file.erase(file.rfind(L'\\') + 1);
  file += L"commandline.txt";

  const wchar_t* commandLine = ::GetCommandLineW();
  const HANDLE out =
      ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  ::WriteFile(out, commandLine, static_cast<DWORD>(wcslen(commandLine) * sizeof(wchar_t)), &written, nullptr);
  ::CloseHandle(out);
  return 0;
}
