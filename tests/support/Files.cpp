#include "tests/support/Files.h"

#include <windows.h>

#include "base/UniqueHandle.h"
#include "base/Utf8.h"

std::wstring TestBinDirectory() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  dir.erase(dir.rfind(L'\\') + 1);
  return dir;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string ReadBytes(const std::wstring& path) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

bool CopyInto(const std::wstring& from, const std::wstring& to) {
  return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool MakeDirectories(const std::wstring& path) {
  std::wstring partial;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
      if (!partial.empty() && partial.back() != L':' && !DirectoryExists(partial)) {
        if (!::CreateDirectoryW(partial.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
      }
    }
    if (i < path.size()) partial += path[i];
  }
  return DirectoryExists(path);
}

void RemoveTree(const std::wstring& path) {
  std::wstring target = path;
  while (!target.empty() && (target.back() == L'\\' || target.back() == L'/')) target.pop_back();
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::DeleteFileW(target.c_str());
    return;
  }
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((target + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") RemoveTree(target + L"\\" + name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(target.c_str());
}

std::string Narrow(const std::wstring& text) {
  return Utf8FromWide(text);
}

std::wstring Widen(const std::string& text) {
  return WideFromUtf8(text);
}
