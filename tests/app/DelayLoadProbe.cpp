// A program that calls one WinINet function through its dllimport pointer,
// as the launcher's HTTP client does. Linked twice (tests/app): through
// the delay-load target, whose load stubs the linker keeps, and straight
// against the delay-load library, whose stubs the i686 linker drops; the
// delay-load check must pass the first and refuse the second. Never run.
#include <windows.h>
#include <wininet.h>

int main(int argc, char**) {
  // Behind a condition the compiler cannot see through, so that the call
  // and its import stay in the program.
  if (argc > 1000) ::InternetCloseHandle(nullptr);
  return 0;
}
