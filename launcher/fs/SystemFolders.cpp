#include "launcher/fs/SystemFolders.h"

#include <windows.h>

#include <shlobj.h>

#include "launcher/fs/FinalPath.h"

namespace Launcher {

namespace {

// Known folders with a CSIDL, so that SHGetFolderPathW fills a buffer of
// ours: SHGetKnownFolderPath would hand back memory that only ole32 frees,
// and the start that finds no update loads no ole32. Downloads, Saved Games,
// Links and the like have no CSIDL: every folder directly in the profile
// counts as one of its folders (IsSystemOrProfileFolder).
constexpr int kFolders[] = {
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_COMMON_APPDATA,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_COMMON_STARTMENU,
    CSIDL_COMMON_STARTUP,
    CSIDL_PROFILE,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_PERSONAL,
    CSIDL_MYMUSIC,
    CSIDL_MYPICTURES,
    CSIDL_MYVIDEO,
    CSIDL_FAVORITES,
    CSIDL_LOCAL_APPDATA,
    CSIDL_APPDATA,
    CSIDL_STARTMENU,
    CSIDL_PROGRAMS,
    CSIDL_STARTUP,
    CSIDL_TEMPLATES,
    CSIDL_SENDTO,
    CSIDL_RECENT,
};

std::wstring WithoutSeparator(std::wstring path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

// Whether `above` is `path` or a folder above it.
bool IsAtOrAbove(const std::wstring& above, const std::wstring& path) {
  if (above.empty() || path.size() < above.size()) return false;
  if (!SameIgnoringCase(path.substr(0, above.size()), above)) return false;
  return path.size() == above.size() || path[above.size()] == L'\\';
}

}  // namespace

bool IsSystemOrProfileFolder(const std::wstring& directory) {
  const std::wstring folder = WithoutSeparator(directory);
  wchar_t volume[MAX_PATH + 1] = {};
  if (folder.empty() || !::GetVolumePathNameW(directory.c_str(), volume, MAX_PATH)) return true;
  if (SameIgnoringCase(WithoutSeparator(volume), folder)) return true;
  for (const int csidl : kFolders) {
    wchar_t known[MAX_PATH + 1] = {};
    if (::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, nullptr, SHGFP_TYPE_CURRENT, known) != S_OK) {
      continue;
    }
    const std::wstring knownFolder = WithoutSeparator(known);
    if (IsAtOrAbove(folder, knownFolder)) return true;
    const size_t parent = folder.find_last_of(L'\\');
    if (csidl == CSIDL_PROFILE && parent != std::wstring::npos &&
        SameIgnoringCase(folder.substr(0, parent), knownFolder)) {
      return true;
    }
  }
  return false;
}

}  // namespace Launcher
