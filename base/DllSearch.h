#pragma once

#include <windows.h>

#include <string>

#include "base/ProcAddress.h"

// Where the process looks for DLLs. The launcher runs with administrator
// rights from the product's directory, which any account may be able to write
// to; Windows looks there first for a DLL that is not a known system DLL. These
// helpers keep every DLL the program loads in the system directory.

// SetDefaultDllDirectories exists from Windows 8 on and on Windows 7 with
// update KB2533623; the same update teaches LoadLibraryExW the
// LOAD_LIBRARY_SEARCH_* flags. Looked up at run time so that the program still
// starts where it is missing.
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

inline SetDefaultDllDirectoriesFn SetDefaultDllDirectoriesEntry() {
  return ProcAddressAs<SetDefaultDllDirectoriesFn>(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
}

// Whether LoadLibraryExW understands the LOAD_LIBRARY_SEARCH_* flags.
inline bool DllSearchFlagsSupported() {
  return SetDefaultDllDirectoriesEntry() != nullptr;
}

// Restricts every later load by name, and the resolution of every later
// loaded DLL's own imports, to the system directory. Call it first thing on the
// main thread, before any other thread starts and before the first call into a
// delay-loaded DLL. Returns true when the restriction holds; false on a system
// without SetDefaultDllDirectories, where only the current directory is taken
// out of the search (the program's directory stays in it there, so DLLs must
// still be loaded by full path: SystemLibrary).
inline bool RestrictDllSearchToSystemDirectory() {
  ::SetDllDirectoryW(L"");
  const SetDefaultDllDirectoriesFn restrict = SetDefaultDllDirectoriesEntry();
  return restrict != nullptr&& restrict(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

// The full path of `fileName` in the system directory, or empty when
// `fileName` is not a bare file name (empty, ".", "..", or holding a
// separator, drive colon or wildcard) or the system directory cannot be
// read.
inline std::wstring SystemDirectoryPath(const std::wstring& fileName) {
  if (fileName.empty() || fileName == L"." || fileName == L".." ||
      fileName.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos)
    return {};
  wchar_t directory[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring path(directory, length);
  if (path.back() != L'\\') path += L'\\';
  return path + fileName;
}
