// guard_probe.exe STOP-EVENT: takes the launcher's single-instance guard the
// way the launcher does, then holds it until the named event is signalled.
#include <windows.h>

#include "launcher/app/SingletonExe.h"
#include "launcher/app/UpdateDriver.h"

using namespace Launcher;

int wmain(int argc, wchar_t** argv) {
  SingletonExe guard;
  StartSingleInstanceGuard(guard);
  if (argc < 2) return 2;
  const HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, argv[1]);
  const DWORD waited = ::WaitForSingleObject(stop, 60000);
  ::CloseHandle(stop);
  return waited == WAIT_OBJECT_0 ? 0 : 3;
}
