#include "launcher/fs/ReachesThroughLink.h"

#include <windows.h>

#include <cwctype>
#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/fs/FileNames.h"
#include "launcher/fs/FinalPath.h"

namespace Launcher {

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

}  // namespace

bool ResolvesTo(const std::wstring& path, const std::wstring& expectedFinal) {
  const std::wstring examinable = OpenablePath(path);
  const DWORD attributes = ::GetFileAttributesW(examinable.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  const std::wstring final = FinalPath(examinable);
  // Wine reports no final path of MAX_PATH characters or more; the
  // attributes are all there is to go by then. (The update refuses such
  // paths before it starts.)
  if (final.empty() && path.size() >= MAX_PATH) return true;
  return SameIgnoringCase(final, expectedFinal);
}

namespace {

// The component-by-component walk: each existing component must resolve to
// the directory's final path followed by the names so far.
bool WalkReachesThroughLink(std::wstring path, std::wstring expected, const std::vector<std::wstring>& components) {
  for (const std::wstring& component : components) {
    path += component;
    const DWORD attributes = ::GetFileAttributesW(OpenablePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = ::GetLastError();
      return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }
    expected += L'\\';
    expected += component;
    if (!ResolvesTo(path, expected)) return true;
    // Nothing can stand below a file: the rest of the path does not exist.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    path += L'\\';
  }
  return false;
}

}  // namespace

bool ReachesThroughLink(const std::wstring& directory, const std::wstring& relativePath) {
  return ReachesThroughLink(directory, std::wstring(), relativePath);
}

bool ReachesThroughLink(const std::wstring& directory, const std::wstring& directoryFinal,
                        const std::wstring& relativePath) {
  if (!IsSafeItemPath(relativePath)) return true;
  const std::wstring expected = directoryFinal.empty() ? FinalPath(directory) : directoryFinal;
  if (expected.empty()) {
    // A directory that does not exist yet holds nothing to pass through.
    const DWORD error = ::GetFileAttributesW(directory.c_str()) == INVALID_FILE_ATTRIBUTES ? ::GetLastError() : 0;
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
  }
  std::wstring base = directory;
  if (!base.empty() && !IsSeparator(base.back())) base += L'\\';
  const std::vector<std::wstring> components = Launcher::PathComponents(relativePath);
  // The deepest component that exists, found from the end: the final path
  // the system reports for it resolves every link above it as well, so one
  // comparison stands for the whole walk (an update checks every item, and
  // each component costs two system calls). Wine reports no final path of
  // MAX_PATH characters or more: such paths take the walk.
  for (size_t depth = components.size(); depth > 0; --depth) {
    std::wstring path = base;
    std::wstring names = expected;
    for (size_t i = 0; i < depth; ++i) {
      if (i > 0) path += L'\\';
      path += components[i];
      names += L'\\';
      names += components[i];
    }
    if (path.size() >= MAX_PATH) return WalkReachesThroughLink(base, expected, components);
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return !ResolvesTo(path, names);
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return true;
  }
  return false;
}

bool IsPlainPath(const std::wstring& directory, const std::wstring& relativePath) {
  return !ReachesThroughAlias(directory, relativePath) && !ReachesThroughLink(directory, relativePath);
}

}  // namespace Launcher
