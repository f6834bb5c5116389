#include "tools/publisher/ReleaseFolder.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/UniqueFindHandle.h"
#include "base/UniqueHandle.h"
#include "base/Utf8.h"

namespace Publisher {

namespace {

std::wstring WithoutSeparator(std::wstring path) {
  while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

std::string ErrorText(DWORD code) {
  return "error " + std::to_string(code);
}

}  // namespace

bool ListFolder(const std::wstring& root, Listing& listing, std::string& error) {
  listing.clear();
  const std::wstring top = WithoutSeparator(root);
  const DWORD attributes = ::GetFileAttributesW(top.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = Utf8FromWide(top) + ": no such folder; give the folder that holds the release's files";
    return false;
  }
  // A list of folders still to read rather than recursion: a release's
  // depth is not bounded by the stack.
  std::vector<std::wstring> pending = {L""};
  while (!pending.empty()) {
    const std::wstring relative = pending.back();
    pending.pop_back();
    const std::wstring folder = relative.empty() ? top : top + L"\\" + relative;
    WIN32_FIND_DATAW found = {};
    Launcher::UniqueFindHandle find(
        ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (!find) {
      error = Utf8FromWide(folder) + ": cannot be read (" + ErrorText(::GetLastError()) +
              "); check that this account may read it";
      return false;
    }
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = relative.empty() ? name : relative + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        error = Utf8FromWide(top + L"\\" + child) +
                ": is a link or junction; copy what it points to into the release folder instead";
        return false;
      }
      FolderEntry entry;
      entry.directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      entry.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      entry.path = top + L"\\" + child;
      if (entry.directory) {
        entry.size = 0;
        pending.push_back(child);
      }
      listing[child] = entry;
    } while (::FindNextFileW(find.Get(), &found));
    if (::GetLastError() != ERROR_NO_MORE_FILES) {
      error = Utf8FromWide(folder) + ": cannot be read to its end (" + ErrorText(::GetLastError()) + ")";
      return false;
    }
  }
  return true;
}

bool SameBytes(const std::wstring& a, const std::wstring& b, bool& same, std::string& error) {
  same = false;
  UniqueHandle files[2];
  const std::wstring* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    files[i].Reset(::CreateFileW(paths[i]->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!files[i]) {
      error = Utf8FromWide(*paths[i]) + ": cannot be opened for reading (" + ErrorText(::GetLastError()) +
              "); close the program that holds it";
      return false;
    }
  }
  std::vector<char> chunks[2] = {std::vector<char>(1 << 16), std::vector<char>(1 << 16)};
  for (;;) {
    DWORD read[2] = {};
    for (int i = 0; i < 2; ++i) {
      if (!::ReadFile(files[i].Get(), chunks[i].data(), static_cast<DWORD>(chunks[i].size()), &read[i], nullptr)) {
        error = Utf8FromWide(*paths[i]) + ": cannot be read (" + ErrorText(::GetLastError()) + ")";
        return false;
      }
    }
    if (read[0] != read[1] || !std::equal(chunks[0].begin(), chunks[0].begin() + read[0], chunks[1].begin())) {
      return true;
    }
    if (read[0] == 0) break;
  }
  same = true;
  return true;
}

bool ReadFileBytes(const std::wstring& path, size_t limit, std::string& bytes, std::string& error) {
  bytes.clear();
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) {
    error = Utf8FromWide(path) + ": cannot be opened for reading (" + ErrorText(::GetLastError()) + ")";
    return false;
  }
  char chunk[4096];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr)) {
      error = Utf8FromWide(path) + ": cannot be read (" + ErrorText(::GetLastError()) + ")";
      return false;
    }
    if (read == 0) return true;
    if (bytes.size() + read > limit) {
      error = Utf8FromWide(path) + ": is larger than " + std::to_string(limit) + " bytes";
      return false;
    }
    bytes.append(chunk, read);
  }
}

}  // namespace Publisher
