// dll_search_probe MODE NAME...: loads each named DLL the way MODE says and
// keeps it loaded until the end; the exit code is the number of DLLs loaded.
// Like the launcher, the probe imports USER32 (and through it whatever the
// platform's USER32 imports) before its first line runs.
//   none        loads nothing
//   bare        LoadLibraryW(NAME): the platform's search order, the program's
//               directory first
//   restricted  RestrictDllSearchToSystemDirectory(), then LoadLibraryW(NAME)
//   system      SystemLibrary::Load(NAME)
#include <windows.h>

#include <string>
#include <vector>

#include "base/DllSearch.h"
#include "base/SystemLibrary.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return -1;
  // A real import: the platform resolves it, and USER32's own imports, at start.
  if (::GetDesktopWindow() == nullptr) return -1;
  const std::wstring mode = argv[1];
  if (mode == L"restricted") RestrictDllSearchToSystemDirectory();
  std::vector<SystemLibrary> kept;
  int loaded = 0;
  for (int i = 2; i < argc; ++i) {
    if (mode == L"system") {
      kept.push_back(SystemLibrary::Load(argv[i]));
      loaded += static_cast<bool>(kept.back());
    } else if (mode != L"none") {
      // Never freed: the process ends right after.
      loaded += ::LoadLibraryW(argv[i]) != nullptr;
    }
  }
  return loaded;
}
