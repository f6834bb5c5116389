#include "launcher/update/VersionFloor.h"

#include "base/Utf8ToWide.h"
#include "base/WideToUtf8.h"
#include "launcher/fs/FileNames.h"

namespace Launcher {

namespace {

constexpr char kPrefix[] = "version ";
constexpr unsigned long kMaxRecordSize = 256;

}  // namespace

std::wstring VersionFloor::Read() const {
  std::string bytes;
  if (!installation_.ReadTrusted(kVersionFloorFile, kMaxRecordSize, bytes).ok()) return std::wstring();
  const std::string prefix = kPrefix;
  if (bytes.compare(0, prefix.size(), prefix) != 0 || bytes.size() < prefix.size() + 3) return std::wstring();
  if (bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) return std::wstring();
  const std::string version = bytes.substr(prefix.size(), bytes.size() - prefix.size() - 2);
  if (version.find_first_of("\r\n") != std::string::npos) return std::wstring();
  std::wstring wide;
  return Utf8ToWide(version, wide) ? wide : std::wstring();
}

Status VersionFloor::Write(const std::wstring& version) const {
  std::string utf8;
  if (version.empty() || version.find_first_of(L"\r\n") != std::wstring::npos || !WideToUtf8(version, utf8)) {
    return Status::Refused("VersionFloor", L"no version of one line");
  }
  return installation_.ReplaceDurably(kVersionFloorFile, kPrefix + utf8 + "\r\n");
}

}  // namespace Launcher
