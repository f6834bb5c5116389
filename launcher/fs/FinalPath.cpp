#include "launcher/fs/FinalPath.h"

#include "base/UniqueHandle.h"

namespace Launcher {

std::wstring FinalPathOf(HANDLE handle) {
  std::wstring final(1024, L'\0');
  DWORD length = ::GetFinalPathNameByHandleW(handle, &final[0], static_cast<DWORD>(final.size()), 0);
  if (length >= final.size()) {
    final.resize(length + 1);
    length = ::GetFinalPathNameByHandleW(handle, &final[0], static_cast<DWORD>(final.size()), 0);
  }
  if (length == 0 || length >= final.size()) return std::wstring();
  final.resize(length);
  if (final.compare(0, 4, L"\\\\?\\") == 0) final.erase(0, 4);
  while (!final.empty() && (final.back() == L'\\' || final.back() == L'/')) final.pop_back();
  return final;
}

std::wstring FinalPath(const std::wstring& path) {
  // Only attributes asked for: the open needs no rights to the data and does
  // not conflict with a process holding the file without sharing.
  UniqueHandle handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return handle ? FinalPathOf(handle.Get()) : std::wstring();
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::wstring OpenablePath(const std::wstring& path) {
  if (path.size() < MAX_PATH) return path;
  std::wstring plain = path;
  for (wchar_t& c : plain) {
    if (c == L'/') c = L'\\';
  }
  if (plain.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + plain.substr(2);
  return L"\\\\?\\" + plain;
}

}  // namespace Launcher
