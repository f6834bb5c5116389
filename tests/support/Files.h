#pragma once

#include <windows.h>

#include <string>

// Small file helpers for tests. Paths are wide; contents are raw bytes.

// Existence tests by path, as a test looks at what a step left (the
// launcher asks its gate instead). A path that cannot be queried counts as
// not existing.
inline bool PathExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
inline bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
inline bool DirectoryExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring TestBinDirectory();  // folder of the running test program, with a trailing backslash
bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);                  // empty when missing
bool CopyInto(const std::wstring& from, const std::wstring& to);  // replaces `to`
// Creates every missing directory of `path` (which names a directory).
bool MakeDirectories(const std::wstring& path);
// Deletes a file or a whole directory tree, read-only entries included.
void RemoveTree(const std::wstring& path);
// UTF-16 <-> UTF-8.
std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);
