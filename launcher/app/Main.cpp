#include <windows.h>

#include <delayimp.h>

#include <string>

#include "base/DllSearch.h"
#include "base/SystemLibrary.h"
#include "launcher/app/LauncherRun.h"

namespace {

// The DLLs that are not known system DLLs (version, wininet, gdiplus)
// are delay-loaded (cmake/DelayLoad.cmake). The helper asks this hook first:
// the DLL comes from the system directory by full path, so that even a system
// without the search restriction never takes a copy planted beside the
// program. A null answer lets the helper load the bare name itself, which the
// restriction confines to the system directory.
FARPROC WINAPI LoadDelayedFromSystemDirectory(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr) return nullptr;
  const std::string name(info->szDll);
  // The helper keeps the module for the rest of the process.
  HMODULE module = SystemLibrary::Load(std::wstring(name.begin(), name.end())).Detach();
  return reinterpret_cast<FARPROC>(module);
}

}  // namespace

// Declared with C linkage by <delayimp.h>.
PfnDliHook __pfnDliNotifyHook2 = LoadDelayedFromSystemDirectory;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything else loads a DLL: the launcher runs with administrator
  // rights from a directory other accounts may write to.
  RestrictDllSearchToSystemDirectory();
  return Launcher::RunLauncher(instance);
}
