#pragma once

#include <windows.h>

#include <vector>

// Copies the resource `name` of `type` in `module` (null: the program) into
// `bytes`. False, with `bytes` empty, when the resource is missing, cannot be
// loaded or is empty. A module's resources stay mapped while it is loaded, so
// nothing is freed here. Any thread.
inline bool CopyResourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type, std::vector<BYTE>& bytes) {
  bytes.clear();
  HRSRC found = ::FindResourceW(module, name, type);
  if (found == nullptr) return false;
  const DWORD size = ::SizeofResource(module, found);
  HGLOBAL loaded = ::LoadResource(module, found);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr || size == 0) return false;
  bytes.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
  return true;
}
