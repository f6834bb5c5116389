#pragma once

#include <map>
#include <string>

// An installation's content as the update tests compare it: relative path ->
// bytes, kDirectory for a directory.
using Tree = std::map<std::wstring, std::string>;

inline constexpr char kDirectory[] = "<dir>";

// Writes `tree` below `root` (which ends in a backslash); fails the test on error.
void Lay(const std::wstring& root, const Tree& tree);
// Everything below `root` + `relative`, files with their bytes.
Tree Read(const std::wstring& root, const std::wstring& relative = L"");
// A one-line description for failure messages (long names and contents cut).
std::string Describe(const Tree& tree);
