#include <windows.h>

#include "launcher/UpdateDriver.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return RunLauncher(instance);
}
