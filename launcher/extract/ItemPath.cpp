#include "launcher/extract/ItemPath.h"

#include <windows.h>

#include <cwctype>
#include <vector>

#include "base/UniqueHandle.h"

namespace SevenZip {

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// Whether Windows reads `component` as a device (CON, NUL, COM1, ...), which
// it does whatever directory stands before it and whatever extension follows.
bool IsDeviceName(const std::wstring& component) {
  std::wstring base = component.substr(0, component.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (wchar_t& c : base) c = static_cast<wchar_t>(towupper(c));
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
  for (const wchar_t* device : kDevices) {
    if (base == device) return true;
  }
  if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0)) return false;
  // Windows takes the superscript digits one to three as digits here too.
  const wchar_t digit = base[3];
  return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

}  // namespace

// An item path may only name something below the target directory: relative,
// without drive, UNC or stream prefix or wildcard, without a component that
// Windows reads as the parent (".." and its variants made of dots and blanks)
// or as a device, and naming more than the directory itself.
bool IsSafeItemPath(const std::wstring& path) {
  if (path.empty() || IsSeparator(path[0])) return false;
  // A colon names a drive or a stream; wildcards would let the shell's
  // delete take more than the one path.
  if (path.find_first_of(L":*?") != std::wstring::npos) return false;
  bool namesSomething = false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::wstring component = path.substr(start, end - start);
    if (!component.empty() && component != L".") {
      if (component.find_first_not_of(L". ") == std::wstring::npos || IsDeviceName(component)) return false;
      if (component.back() == L'.' || component.back() == L' ') return false;
      namesSomething = true;
    }
    start = end + 1;
  }
  return namesSomething;
}

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
  while (!final.empty() && IsSeparator(final.back())) final.pop_back();
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

namespace {

// `path` in the form that the platform takes at any length: a path of
// MAX_PATH characters or more is examined through the "\\?\" prefix, which
// takes the name as it is (the caller has put it in plain form already).
std::wstring Examinable(const std::wstring& path) {
  if (path.size() < MAX_PATH) return path;
  std::wstring plain = path;
  for (wchar_t& c : plain) {
    if (c == L'/') c = L'\\';
  }
  if (plain.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + plain.substr(2);
  return L"\\\\?\\" + plain;
}

}  // namespace

bool ResolvesTo(const std::wstring& path, const std::wstring& expectedFinal) {
  const std::wstring examinable = Examinable(path);
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
    const DWORD attributes = ::GetFileAttributesW(Examinable(path).c_str());
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
  std::vector<std::wstring> components;
  for (size_t start = 0; start <= relativePath.size();) {
    size_t end = start;
    while (end < relativePath.size() && !IsSeparator(relativePath[end])) ++end;
    std::wstring component = relativePath.substr(start, end - start);
    start = end + 1;
    if (!component.empty() && component != L".") components.push_back(std::move(component));
  }
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

}  // namespace SevenZip
