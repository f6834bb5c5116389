#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "base/DllSearch.h"
#include "base/ProcAddress.h"
#include "base/UniqueModule.h"

// A system DLL loaded from the system directory by its full path, never by
// the search order (which would find a copy planted beside the program first).
// The DLL's own imports are resolved in the system directory as well: with
// LOAD_LIBRARY_SEARCH_SYSTEM32 where the system knows it, otherwise with
// LOAD_WITH_ALTERED_SEARCH_PATH, which searches the DLL's directory instead of
// the program's.
//
// Owns one reference to the module: the destructor frees it. Code that keeps
// entry points beyond the owner's life (in a static, say) calls Detach() and
// leaves the module loaded for the rest of the process. Not copyable; moving
// transfers the reference. Any thread.
class SystemLibrary {
 public:
  SystemLibrary() = default;

  // Loads `fileName` (a bare name such as L"version.dll"). Empty when the name
  // is not a bare file name or the DLL cannot be loaded; GetLastError() then
  // tells why (ERROR_INVALID_NAME for a name that is not a bare file name).
  static SystemLibrary Load(const std::wstring& fileName) {
    const std::wstring path = SystemDirectoryPath(fileName);
    if (path.empty()) {
      ::SetLastError(ERROR_INVALID_NAME);
      return {};
    }
    const DWORD flags = DllSearchFlagsSupported() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    SystemLibrary library;
    library.module_.Reset(::LoadLibraryExW(path.c_str(), nullptr, flags));
    return library;
  }

  HMODULE Get() const { return module_.Get(); }
  explicit operator bool() const { return module_.IsValid(); }

  // The exported function `name` as the pointer type `Fn`, or null when the
  // module is empty or lacks the export. The caller vouches for the signature.
  template <typename Fn>
  Fn Entry(const char* name) const {
    return ProcAddressAs<Fn>(module_.Get(), name);
  }

  // The exported data `name` (an interface id, say), or null.
  template <typename T>
  const T* Data(const char* name) const {
    if (!module_) return nullptr;
    return reinterpret_cast<const T*>(::GetProcAddress(module_.Get(), name));
  }

  // Gives up the reference without freeing it: the module stays loaded for
  // the rest of the process.
  HMODULE Detach() { return module_.Detach(); }

 private:
  UniqueModule module_;
};
