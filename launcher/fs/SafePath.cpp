#include "launcher/fs/SafePath.h"

#include <cwctype>

namespace Launcher {

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

std::vector<std::wstring> PathComponents(const std::wstring& path) {
  std::vector<std::wstring> components;
  for (size_t start = 0; start <= path.size();) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::wstring component = path.substr(start, end - start);
    start = end + 1;
    if (!component.empty() && component != L".") components.push_back(std::move(component));
  }
  return components;
}

}  // namespace Launcher
