#include "launcher/update/DownloadRecord.h"

#include <cwchar>
#include <vector>

#include "launcher/fs/FileNames.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/fs/RecordLines.h"

namespace Launcher {

namespace {

constexpr char kHeader[] = "Tarvo download 1";

const wchar_t* ValidatorName(ResumeState::Validator kind) {
  switch (kind) {
    case ResumeState::Validator::ETag:
      return L"etag";
    case ResumeState::Validator::LastModified:
      return L"last-modified";
    case ResumeState::Validator::SizeOnly:
      return L"size";
    case ResumeState::Validator::None:
      break;
  }
  return L"none";
}

bool ParseCount(const std::wstring& text, std::uint64_t& count) {
  if (text.empty() || text.size() > 19 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
  count = std::wcstoull(text.c_str(), nullptr, 10);
  return true;
}

}  // namespace

bool DownloadRecord::Encode(const Entry& entry, std::string& bytes) {
  if (!IsPlainPackageName(entry.package, LauncherFileName())) return false;
  RecordLines lines(kHeader);
  const std::wstring validator =
      entry.resume.validatorKind == ResumeState::Validator::None ||
              entry.resume.validatorKind == ResumeState::Validator::SizeOnly
          ? std::wstring(ValidatorName(entry.resume.validatorKind))
          : std::wstring(ValidatorName(entry.resume.validatorKind)) + L" " + entry.resume.validator;
  if (!lines.Add("address", entry.address) || !lines.Add("version", entry.version) ||
      !lines.Add("package", entry.package) || !lines.Add("validator", validator) ||
      !lines.Add("total", std::to_wstring(entry.resume.total)) ||
      !lines.Add("bytes", std::to_wstring(entry.resume.onDisk))) {
    return false;
  }
  bytes = lines.Seal();
  return true;
}

bool DownloadRecord::Decode(const std::string& bytes, Entry& entry) {
  std::vector<RecordLines::Line> lines;
  if (!RecordLines::Open(bytes, kHeader, lines)) return false;
  static const char* const kOrder[] = {"address", "version", "package", "validator", "total", "bytes"};
  if (lines.size() != 6) return false;
  for (size_t i = 0; i < 6; ++i) {
    if (lines[i].first != kOrder[i]) return false;
  }
  Entry read;
  read.address = lines[0].second;
  read.version = lines[1].second;
  read.package = lines[2].second;
  read.resume.address = read.address;
  const std::wstring& validator = lines[3].second;
  const size_t blank = validator.find(L' ');
  const std::wstring kind = validator.substr(0, blank);
  if (kind == L"etag" || kind == L"last-modified") {
    if (blank == std::wstring::npos || blank + 1 == validator.size()) return false;
    read.resume.validatorKind = kind == L"etag" ? ResumeState::Validator::ETag : ResumeState::Validator::LastModified;
    read.resume.validator = validator.substr(blank + 1);
  } else if (validator == L"size") {
    read.resume.validatorKind = ResumeState::Validator::SizeOnly;
  } else if (validator != L"none") {
    return false;
  }
  if (!ParseCount(lines[4].second, read.resume.total) || !ParseCount(lines[5].second, read.resume.onDisk)) {
    return false;
  }
  if (read.address.empty() || !IsPlainPackageName(read.package, LauncherFileName())) return false;
  if (read.resume.total != 0 && read.resume.onDisk > read.resume.total) return false;
  entry = std::move(read);
  return true;
}

bool DownloadRecord::Read(Entry& entry) const {
  std::string bytes;
  return installation_.ReadTrusted(kDownloadRecordFile, kMaxBytes, bytes).ok() && Decode(bytes, entry);
}

Status DownloadRecord::Write(const Entry& entry) const {
  std::string bytes;
  if (!Encode(entry, bytes)) {
    return Status::Failed(Status::Kind::Refused, "DownloadRecord::Encode", installation_.PathOf(kDownloadRecordFile));
  }
  return installation_.ReplaceDurably(kDownloadRecordFile, bytes);
}

Status DownloadRecord::Remove() const {
  if (installation_.Examine(kDownloadRecordFile).standing != Installation::Standing::Trusted) return Status::Ok();
  return installation_.Remove(kDownloadRecordFile);
}

}  // namespace Launcher
