#include "launcher/PendingDeletionFile.h"

#include <windows.h>

#include <cstdio>

#include "base/UniqueHandle.h"
#include "launcher/EntryRemoval.h"
#include "launcher/FileNames.h"
#include "launcher/LauncherDirectory.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

PendingDeletionFile::PendingDeletionFile(const std::wstring& launcherDirectory)
    : path_(launcherDirectory + kPendingDeletionFile) {}

bool PendingDeletionFile::Read(std::wstring& text) const {
  UniqueHandle file(::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // A list of names has no reason to be large; a huge file read whole would
  // end the launcher at every start before the product runs.
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > static_cast<LONGLONG>(kMaxBytes)) return false;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  for (;;) {
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) break;
    bytes.append(buffer, got);
    if (bytes.size() > kMaxBytes) return false;  // grew while being read
  }
  text = Decode(bytes);
  return true;
}

bool PendingDeletionFile::Write(const std::wstring& text) const {
  UniqueHandle file(
      ::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const std::string bytes = Encode(text);
  DWORD written = 0;
  return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool PendingDeletionFile::Remove() const {
  return ::DeleteFileW(path_.c_str()) != FALSE;
}

std::vector<std::wstring> PendingDeletionFile::Split(const std::wstring& text) {
  std::vector<std::wstring> names;
  if (text.empty()) return names;
  size_t start = 0;
  for (;;) {
    const size_t bar = text.find(L'|', start);
    names.push_back(text.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
    if (bar == std::wstring::npos) return names;
    start = bar + 1;
  }
}

std::wstring PendingDeletionFile::Join(const std::vector<std::wstring>& names) {
  std::wstring text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += L'|';
    text += names[i];
  }
  return text;
}

std::string PendingDeletionFile::Encode(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (const wchar_t c : text) {
    if (static_cast<unsigned>(c) <= 0xFF) {
      bytes += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "<%04x>", static_cast<unsigned>(c));
      bytes += escaped;
    }
  }
  return bytes;
}

std::wstring PendingDeletionFile::Decode(const std::string& bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b == 0) continue;
    if (b == '<' && i + 5 < bytes.size() && bytes[i + 5] == '>') {
      int value = 0;
      bool hex = true;
      for (size_t k = 1; k <= 4 && hex; ++k) {
        const int digit = HexValue(bytes[i + k]);
        hex = digit >= 0;
        value = value * 16 + digit;
      }
      if (hex && value > 0xFF) {
        text += static_cast<wchar_t>(value);
        i += 5;
        continue;
      }
    }
    text += static_cast<wchar_t>(b);
  }
  return text;
}

void ProcessPendingDeletions(const std::wstring& launcherDirectory) {
  const PendingDeletionFile file(launcherDirectory);
  std::wstring text;
  if (!file.Read(text)) return;
  if (text.empty()) {
    file.Remove();
    return;
  }
  std::vector<std::wstring> remaining;
  std::vector<std::wstring> restores;
  for (const std::wstring& name : PendingDeletionFile::Split(text)) {
    if (name.find(PendingDeletionFile::kRestoreSeparator) != std::wstring::npos) {
      restores.push_back(name);
    } else if (IsInstallationPath(name) && !RemoveEntry(launcherDirectory + name)) {
      remaining.push_back(name);
    }
  }
  // After the deletions, which may have freed the names to restore.
  for (const std::wstring& entry : restores) {
    const size_t separator = entry.find(PendingDeletionFile::kRestoreSeparator);
    const std::wstring setAside = entry.substr(0, separator);
    const std::wstring name = entry.substr(separator + 1);
    if (!IsInstallationPath(setAside) || !IsInstallationPath(name)) continue;
    if (!PathExists(launcherDirectory + setAside)) continue;  // nothing left to put back
    if (PathExists(launcherDirectory + name) ||
        !::MoveFileExW((launcherDirectory + setAside).c_str(), (launcherDirectory + name).c_str(),
                       MOVEFILE_COPY_ALLOWED)) {
      remaining.push_back(entry);
    }
  }
  if (remaining.empty()) {
    file.Remove();
  } else {
    file.Write(PendingDeletionFile::Join(remaining));
  }
}
