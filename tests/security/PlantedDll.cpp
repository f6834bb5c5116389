// A DLL planted beside a program under the name of a system DLL. It exports
// nothing the program needs; it only records that it was loaded, by creating
// "<its own file name>.loaded" beside itself when a process attaches it.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  const std::wstring record = std::wstring(path, length) + L".loaded";
  UniqueHandle file(::CreateFileW(record.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  return TRUE;
}
