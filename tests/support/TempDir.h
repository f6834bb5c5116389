#pragma once

#include <string>

// A fresh directory under the temporary folder, removed with everything in it
// when the object goes. Path() ends in a backslash, like the launcher
// directory, so that names can be appended directly.
class TempDir {
 public:
  // `hint` becomes part of the directory's name (it may hold blanks).
  explicit TempDir(const std::wstring& hint = L"t");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + name; }

 private:
  std::wstring path_;
};
