#pragma once

#include <string>

#include "base/FileSystem.h"  // FileExists, DirectoryExists

#include "base/FileSystem.h"  // FileExists, DirectoryExists

// Small file helpers for tests. Paths are wide; contents are raw bytes.

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
