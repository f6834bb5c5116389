#include "launcher/fs/FileNames.h"

#include <windows.h>

#include "launcher/fs/SafePath.h"

namespace Launcher {

namespace {

bool IsInvalidNameCharacter(wchar_t c) {
  return c < 0x20 || std::wstring(L"<>:\"/\\|?*").find(c) != std::wstring::npos;
}

std::wstring ComponentKey(std::wstring component) {
  while (!component.empty() && (component.back() == L'.' || component.back() == L' ')) component.pop_back();
  if (!component.empty()) ::CharUpperBuffW(&component[0], static_cast<DWORD>(component.size()));
  return component;
}

}  // namespace

std::wstring NameKey(const std::wstring& path) {
  // Empty and "." components add nothing to a path that Windows resolves.
  std::wstring key;
  for (const std::wstring& component : PathComponents(path)) {
    const std::wstring part = ComponentKey(component);
    if (part.empty()) continue;
    if (!key.empty()) key += L'\\';
    key += part;
  }
  return key;
}

bool SameFileName(const std::wstring& a, const std::wstring& b) {
  return NameKey(a) == NameKey(b);
}

bool IsInstallationPath(const std::wstring& name) {
  return IsSafeItemPath(name);
}

bool IsFullDirectory(const std::wstring& directory) {
  const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  return directory.size() >= 3 && separator(directory.back()) &&
         ((directory[1] == L':' && separator(directory[2])) || directory.compare(0, 2, L"\\\\") == 0);
}

bool IsLauncherOwnName(const std::wstring& relativePath) {
  const std::vector<std::wstring> keys = KeysWithParents(relativePath);
  if (keys.empty()) return false;
  // Only the top component can be a file of the launcher directory. The
  // durable writes take fresh names after the file's own ("temp.new",
  // "temp.new1", ...), so each family is matched by its beginning.
  const std::wstring& top = keys.back();
  const auto startsWith = [&top](const wchar_t* name) {
    const std::wstring key = NameKey(name);
    return top.compare(0, key.size(), key) == 0;
  };
  if (top == NameKey(kPendingDeletionFile) || startsWith(kPendingDeletionNewFile)) return true;
  if (startsWith(kUpdateJournalFile) || startsWith(kDownloadRecordFile) || startsWith(kVersionFloorFile)) return true;
  // What others made is kept there: no package, list or record reaches it.
  if (startsWith(kMovedAsideDirectory)) return true;
  return false;
}

bool IsProtectedName(const std::wstring& relativePath, const std::wstring& launcherFileName) {
  if (IsLauncherOwnName(relativePath)) return true;
  const std::vector<std::wstring> keys = KeysWithParents(relativePath);
  if (keys.empty()) return false;
  if (keys.back() == NameKey(kProductExecutable)) return true;
  return !launcherFileName.empty() && keys.back() == NameKey(launcherFileName);
}

bool IsSetAsideFormOf(const std::wstring& setAside, const std::wstring& name) {
  const size_t slash = name.find_last_of(L"/\\");
  const size_t at = slash == std::wstring::npos ? 0 : slash + 1;
  if (at == name.size() || setAside.size() <= name.size()) return false;
  const size_t added = setAside.size() - name.size();
  return setAside.compare(0, at, name, 0, at) == 0 && setAside.compare(at, added, std::wstring(added, L'_')) == 0 &&
         setAside.compare(at + added, std::wstring::npos, name, at, std::wstring::npos) == 0;
}

std::vector<std::wstring> KeysWithParents(const std::wstring& relativePath) {
  std::vector<std::wstring> keys;
  std::wstring key = NameKey(relativePath);
  while (!key.empty()) {
    keys.push_back(key);
    const size_t separator = key.rfind(L'\\');
    if (separator == std::wstring::npos) break;
    key.resize(separator);
  }
  return keys;
}

bool IsAtOrBelowAny(const std::wstring& relativePath, const std::set<std::wstring>& keys) {
  if (keys.empty()) return false;
  for (const std::wstring& key : KeysWithParents(relativePath)) {
    if (keys.count(key) != 0) return true;
  }
  return false;
}

bool IsPlainPackageName(const std::wstring& name, const std::wstring& launcherFileName) {
  if (name.empty()) return false;
  for (const wchar_t c : name) {
    if (IsInvalidNameCharacter(c)) return false;
  }
  if (!IsSafeItemPath(name)) return false;  // devices, dots and blanks only
  for (const std::wstring& reserved : {std::wstring(kProductExecutable), launcherFileName}) {
    if (SameFileName(name, reserved)) return false;
  }
  return !IsLauncherOwnName(name);
}

}  // namespace Launcher
