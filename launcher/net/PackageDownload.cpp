#include "launcher/net/PackageDownload.h"

#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "launcher/net/InternetHandle.h"

namespace Launcher {

namespace {

constexpr const char kNotAPackageCall[] = "PackageHeader";
constexpr std::uint64_t kSpareBytes = 64ull << 20;
constexpr std::uint64_t kCheckpointBytes = 4ull << 20;
constexpr std::uint64_t kPromptRetryBytes = 1ull << 20;
// Large enough that a loopback transfer is not held up by calls, small
// enough to stay out of the download's memory figure.
constexpr DWORD kReadBytes = 256 * 1024;

// No cache read or write, whatever the system's cache settings are. No
// security flag is widened: a certificate that does not verify ends the
// attempt.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTH;

bool IsCertificateError(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SEC_INVALID_CERT:
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
    case ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED:
      return true;
    default:
      return false;
  }
}

// Decimal digits only, no sign, no overflow; false otherwise.
bool ParseCount(const std::wstring& text, size_t begin, size_t end, std::uint64_t& value) {
  if (begin >= end || end > text.size()) return false;
  std::uint64_t result = 0;
  for (size_t i = begin; i < end; ++i) {
    const wchar_t c = text[i];
    if (c < L'0' || c > L'9') return false;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - L'0');
    if (result > (UINT64_MAX - digit) / 10) return false;
    result = result * 10 + digit;
  }
  value = result;
  return true;
}

// "bytes FIRST-LAST/TOTAL" or "bytes */TOTAL" (first = last = UINT64_MAX).
struct ContentRange {
  std::uint64_t first = UINT64_MAX;
  std::uint64_t last = UINT64_MAX;
  std::uint64_t total = 0;
};

bool ParseContentRange(const std::wstring& text, ContentRange& range) {
  if (text.compare(0, 6, L"bytes ") != 0) return false;
  const size_t slash = text.find(L'/', 6);
  if (slash == std::wstring::npos || !ParseCount(text, slash + 1, text.size(), range.total)) return false;
  if (text.compare(6, slash - 6, L"*") == 0) return true;
  const size_t dash = text.find(L'-', 6);
  return dash != std::wstring::npos && dash < slash && ParseCount(text, 6, dash, range.first) &&
         ParseCount(text, dash + 1, slash, range.last) && range.first <= range.last && range.last < range.total;
}

// A header of the answer as text; false when the answer has none.
bool QueryHeader(HINTERNET request, DWORD info, std::wstring& value) {
  std::vector<wchar_t> buffer(256);
  for (int round = 0; round < 2; ++round) {
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::HttpQueryInfoW(request, info, buffer.data(), &bytes, nullptr)) {
      value.assign(buffer.data(), bytes / sizeof(wchar_t));
      return true;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes > (1u << 20)) return false;
    buffer.resize(bytes / sizeof(wchar_t) + 1);
  }
  return false;
}

void SetTimeouts(HINTERNET handle, const DownloadTimings& timings) {
  // Failures only leave the platform's defaults in place.
  DWORD connect = timings.connectTimeoutMs;
  DWORD receive = timings.stallTimeoutMs;
  ::InternetSetOptionW(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  ::InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
  ::InternetSetOptionW(handle, INTERNET_OPTION_SEND_TIMEOUT, &receive, sizeof receive);
}

bool SeekTo(HANDLE file, std::uint64_t offset) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != FALSE;
}

// The jitter of the back-off; quality does not matter, only that two
// launchers cut by the same outage do not come back in step.
DWORD Jittered(std::uint64_t milliseconds) {
  static thread_local std::uint32_t seed = 0;
  if (seed == 0) {
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    seed = static_cast<std::uint32_t>(counter.QuadPart) ^ ::GetCurrentThreadId() ^ 0x9E3779B9u;
    if (seed == 0) seed = 1;
  }
  seed ^= seed << 13;
  seed ^= seed >> 17;
  seed ^= seed << 5;
  const std::uint64_t scale = 750 + seed % 501;  // 0.750 to 1.250
  return static_cast<DWORD>(std::min<std::uint64_t>(milliseconds * scale / 1000, 0x7FFFFFFFu));
}

enum class Outcome { Complete, Retry, Fail };

struct AttemptResult {
  Outcome outcome;
  Status status;
  DWORD retryAfterMs = 0;  // 0: the back-off decides
};

class Download {
 public:
  Download(const std::wstring& address, HANDLE file, const std::wstring& directory, ResumeState& resume,
           DownloadListener& listener, const DownloadTimings& timings)
      : address_(address),
        file_(file),
        directory_(directory),
        resume_(resume),
        listener_(listener),
        timings_(timings),
        buffer_(kReadBytes) {}

  Status Run();

 private:
  AttemptResult Attempt(HINTERNET connection);
  AttemptResult ReadBody(HINTERNET request);
  // Drops what is on disk: the next request asks for the whole body.
  void Forget();
  Status AdoptResume();
  Status CheckSpace();
  bool HeadDecided() const { return headDecided_; }
  // Adds the body bytes at `offset` to the head; false once the head is
  // known to be no package.
  bool FeedHead(std::uint64_t offset, const unsigned char* bytes, size_t size, bool ended);
  AttemptResult NotAPackage();
  void Checkpoint() {
    lastCheckpoint_ = resume_.onDisk;
    listener_.OnCheckpoint(resume_);
  }

  const std::wstring& address_;
  HANDLE file_;
  const std::wstring& directory_;
  ResumeState& resume_;
  DownloadListener& listener_;
  const DownloadTimings& timings_;
  std::wstring object_;
  bool https_ = false;
  std::vector<unsigned char> buffer_;
  unsigned char head_[kPackageHeadBytes] = {};
  size_t headSize_ = 0;
  bool headDecided_ = false;
  std::uint64_t lastCheckpoint_ = 0;
};

void Download::Forget() {
  resume_.address = address_;
  resume_.validatorKind = ResumeState::Validator::None;
  resume_.validator.clear();
  resume_.total = 0;
  resume_.onDisk = 0;
  headSize_ = 0;
  headDecided_ = false;
}

// A state handed in is believed only as far as the file bears it out: the
// bytes it counts must be there, and the head must already look like a
// package when it is on disk.
Status Download::AdoptResume() {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file_, &size)) return Status::FromLastError("GetFileSizeEx", address_);
  const std::uint64_t held = static_cast<std::uint64_t>(size.QuadPart);
  const bool usable = resume_.address == address_ && resume_.validatorKind != ResumeState::Validator::None &&
                      !resume_.validator.empty() && resume_.onDisk > 0 && resume_.onDisk <= held &&
                      (resume_.total == 0 || resume_.onDisk <= resume_.total);
  if (!usable) {
    Forget();
    return Status::Ok();
  }
  headSize_ = static_cast<size_t>(std::min<std::uint64_t>(resume_.onDisk, kPackageHeadBytes));
  DWORD read = 0;
  if (!SeekTo(file_, 0) || !::ReadFile(file_, head_, static_cast<DWORD>(headSize_), &read, nullptr)) {
    return Status::FromLastError("ReadFile", address_);
  }
  if (read != headSize_) {
    Forget();
    return Status::Ok();
  }
  headDecided_ = headSize_ == kPackageHeadBytes;
  if (headDecided_ && !LooksLikePackage(head_, headSize_)) {
    Forget();
    return Status::Failed(kNotAPackageCall, address_);
  }
  return Status::Ok();
}

Status Download::CheckSpace() {
  if (resume_.total == 0) return Status::Ok();
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file_, &size)) return Status::FromLastError("GetFileSizeEx", address_);
  const std::uint64_t held = static_cast<std::uint64_t>(size.QuadPart);
  const std::uint64_t rest = resume_.total > held ? resume_.total - held : 0;
  ULARGE_INTEGER available;
  if (!::GetDiskFreeSpaceExW(directory_.c_str(), &available, nullptr, nullptr)) {
    return Status::FromLastError("GetDiskFreeSpaceExW", directory_);
  }
  if (rest > UINT64_MAX - kSpareBytes || available.QuadPart < rest + kSpareBytes) {
    return Status::Failed("GetDiskFreeSpaceExW", directory_, ERROR_DISK_FULL);
  }
  return Status::Ok();
}

bool Download::FeedHead(std::uint64_t offset, const unsigned char* bytes, size_t size, bool ended) {
  if (headDecided_) return true;
  if (size > 0 && offset < kPackageHeadBytes && offset == headSize_) {
    const size_t take = std::min(size, kPackageHeadBytes - headSize_);
    std::memcpy(head_ + headSize_, bytes, take);
    headSize_ += take;
  }
  if (headSize_ < kPackageHeadBytes && !ended) return true;
  headDecided_ = true;
  return LooksLikePackage(head_, headSize_);
}

AttemptResult Download::NotAPackage() {
  Forget();
  Checkpoint();
  return {Outcome::Fail, Status::Failed(kNotAPackageCall, address_)};
}

AttemptResult Download::Attempt(HINTERNET connection) {
  UniqueInternetHandle request(::HttpOpenRequestW(connection, L"GET", object_.c_str(), L"HTTP/1.1", nullptr, nullptr,
                                                  kRequestFlags | (https_ ? INTERNET_FLAG_SECURE : 0), 0));
  if (!request) return {Outcome::Fail, Status::FromLastError("HttpOpenRequestW", address_)};
  SetTimeouts(request.Get(), timings_);

  // Without a validator nothing proves that the rest belongs to the bytes
  // on disk.
  if (resume_.onDisk > 0 && resume_.validatorKind == ResumeState::Validator::None) Forget();
  const std::uint64_t asked = resume_.onDisk;
  std::wstring headers;
  if (asked > 0) {
    headers = L"Range: bytes=" + std::to_wstring(asked) + L"-\r\nIf-Range: " + resume_.validator + L"\r\n";
  }
  if (!::HttpSendRequestW(request.Get(), headers.empty() ? nullptr : headers.c_str(),
                          static_cast<DWORD>(headers.size()), nullptr, 0)) {
    const Status failed = Status::FromLastError("HttpSendRequestW", address_);
    return {IsCertificateError(failed.code()) ? Outcome::Fail : Outcome::Retry, failed};
  }

  DWORD status = 0;
  DWORD statusBytes = sizeof status;
  if (!::HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusBytes,
                        nullptr)) {
    return {Outcome::Retry, Status::FromLastError("HttpQueryInfoW", address_)};
  }
  std::wstring text;
  if (status == 200) {
    // The whole body, from the first byte: a changed file, or a server that
    // ignores ranges. Its validator and size are the new reference.
    Forget();
    std::uint64_t length = 0;
    if (QueryHeader(request.Get(), HTTP_QUERY_CONTENT_LENGTH, text) && ParseCount(text, 0, text.size(), length)) {
      resume_.total = length;
    }
    if (QueryHeader(request.Get(), HTTP_QUERY_ETAG, text) && !text.empty() && text.compare(0, 2, L"W/") != 0) {
      resume_.validatorKind = ResumeState::Validator::ETag;
      resume_.validator = text;
    } else if (QueryHeader(request.Get(), HTTP_QUERY_LAST_MODIFIED, text) && !text.empty()) {
      resume_.validatorKind = ResumeState::Validator::LastModified;
      resume_.validator = text;
    }
    if (Status space = CheckSpace(); !space.ok()) return {Outcome::Fail, space};
    if (!SeekTo(file_, 0) || !::SetEndOfFile(file_)) {
      return {Outcome::Fail, Status::FromLastError("SetEndOfFile", address_)};
    }
    Checkpoint();
  } else if (status == 206 || status == 416) {
    ContentRange range;
    const bool parsed = QueryHeader(request.Get(), HTTP_QUERY_CONTENT_RANGE, text) && ParseContentRange(text, range);
    const bool fits = parsed && asked > 0 && range.total == resume_.total &&
                      (status == 206 ? range.first == asked && range.last + 1 == range.total
                                     : range.first == UINT64_MAX && asked == resume_.total);
    if (!fits) {
      // Never spliced: bytes of some other range or file would make a
      // package that only fails when it is unpacked.
      Forget();
      if (!SeekTo(file_, 0) || !::SetEndOfFile(file_)) {
        return {Outcome::Fail, Status::FromLastError("SetEndOfFile", address_)};
      }
      Checkpoint();
      return {Outcome::Retry, Status::Failed("ContentRange", address_, status)};
    }
    if (status == 416) {
      // Asked for the bytes after the last one: the file is whole.
      if (!FeedHead(resume_.onDisk, nullptr, 0, true)) return NotAPackage();
      if (!SeekTo(file_, resume_.onDisk) || !::SetEndOfFile(file_)) {
        return {Outcome::Fail, Status::FromLastError("SetEndOfFile", address_)};
      }
      listener_.OnProgress(resume_.onDisk, resume_.total);
      Checkpoint();
      return {Outcome::Complete, Status::Ok()};
    }
    if (Status space = CheckSpace(); !space.ok()) return {Outcome::Fail, space};
  } else {
    const Status answered = Status::Failed("HttpStatus", address_, status);
    if (status == 408 || status == 429 || status >= 500) {
      DWORD retryAfterMs = 0;
      std::uint64_t seconds = 0;
      if ((status == 429 || status == 503) && QueryHeader(request.Get(), HTTP_QUERY_RETRY_AFTER, text) &&
          ParseCount(text, 0, text.size(), seconds)) {
        retryAfterMs = static_cast<DWORD>(std::min<std::uint64_t>(seconds * 1000, timings_.retryAfterCapMs));
      }
      return {Outcome::Retry, answered, retryAfterMs};
    }
    // The server refuses the package for good: nothing on disk is worth
    // keeping for a later start.
    Forget();
    Checkpoint();
    return {Outcome::Fail, answered};
  }
  return ReadBody(request.Get());
}

AttemptResult Download::ReadBody(HINTERNET request) {
  if (!SeekTo(file_, resume_.onDisk)) return {Outcome::Fail, Status::FromLastError("SetFilePointerEx", address_)};
  listener_.OnProgress(resume_.onDisk, resume_.total);
  for (;;) {
    DWORD read = 0;
    if (!::InternetReadFile(request, buffer_.data(), kReadBytes, &read)) {
      const Status cut = Status::FromLastError("InternetReadFile", address_);
      Checkpoint();
      return {Outcome::Retry, cut};
    }
    if (read == 0) {
      if (resume_.total != 0 && resume_.onDisk < resume_.total) {
        // The connection closed before the announced end: a cut, however
        // politely it was closed.
        Checkpoint();
        return {Outcome::Retry, Status::Failed("InternetReadFile", address_, ERROR_HANDLE_EOF)};
      }
      if (!FeedHead(resume_.onDisk, nullptr, 0, true)) return NotAPackage();
      if (!::SetEndOfFile(file_)) return {Outcome::Fail, Status::FromLastError("SetEndOfFile", address_)};
      if (resume_.total == 0) resume_.total = resume_.onDisk;
      Checkpoint();
      return {Outcome::Complete, Status::Ok()};
    }
    if (!FeedHead(resume_.onDisk, buffer_.data(), read, false)) return NotAPackage();
    DWORD written = 0;
    if (!::WriteFile(file_, buffer_.data(), read, &written, nullptr) || written != read) {
      return {Outcome::Fail, Status::FromLastError("WriteFile", address_)};
    }
    resume_.onDisk += read;
    listener_.OnProgress(resume_.onDisk, resume_.total);
    if (resume_.onDisk - lastCheckpoint_ >= kCheckpointBytes) Checkpoint();
  }
}

bool IsWebScheme(INTERNET_SCHEME scheme) {
  return scheme == INTERNET_SCHEME_HTTP || scheme == INTERNET_SCHEME_HTTPS;
}

Status Download::Run() {
  // The address is cracked here once more for its parts; IsDownloadAddress
  // answers the same question for callers before they create a file.
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (address_.empty() || !::InternetCrackUrlW(address_.c_str(), static_cast<DWORD>(address_.size()), 0, &parts)) {
    return Status::FromLastError("InternetCrackUrlW", address_);
  }
  if (!IsWebScheme(parts.nScheme)) {
    return Status::Failed("InternetCrackUrlW", address_, ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  }
  https_ = parts.nScheme == INTERNET_SCHEME_HTTPS;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  object_.assign(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
  std::wstring extra(parts.lpszExtraInfo ? parts.lpszExtraInfo : L"", parts.dwExtraInfoLength);
  // The fragment names a place in a page; it is no part of the request.
  extra.erase(std::min(extra.find(L'#'), extra.size()));
  object_ += extra;
  if (object_.empty()) object_ = L"/";

  if (Status adopted = AdoptResume(); !adopted.ok()) {
    if (IsNotAPackage(adopted)) Checkpoint();
    return adopted;
  }
  lastCheckpoint_ = resume_.onDisk;

  UniqueInternetHandle root(::InternetOpenW(L"Http-connect", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!root) return Status::FromLastError("InternetOpenW", address_);
  SetTimeouts(root.Get(), timings_);
  UniqueInternetHandle connection(
      ::InternetConnectW(root.Get(), host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return Status::FromLastError("InternetConnectW", address_);
  SetTimeouts(connection.Get(), timings_);

  std::uint64_t furthest = resume_.onDisk;
  int failures = 0;
  for (;;) {
    AttemptResult result = Attempt(connection.Get());
    if (result.outcome == Outcome::Complete) return Status::Ok();
    if (result.outcome == Outcome::Fail) return result.status;
    // Only bytes beyond any reached before count as progress: an attempt
    // that starts over and is cut again at the same place gains nothing.
    std::uint64_t gained = 0;
    if (resume_.onDisk > furthest) {
      gained = resume_.onDisk - furthest;
      furthest = resume_.onDisk;
      failures = 0;
    } else if (++failures > timings_.retries) {
      return result.status;
    }
    // A line that delivered a good piece before it broke is asked again at
    // once; one that delivers crumbs is not hammered.
    if (result.retryAfterMs == 0 && gained >= kPromptRetryBytes) continue;
    const DWORD wait = result.retryAfterMs != 0 ? result.retryAfterMs
                                                : Jittered(std::uint64_t{timings_.firstBackoffMs}
                                                           << std::min(std::max(failures, 1) - 1, 20));
    ::Sleep(wait);
  }
}

}  // namespace

Status DownloadPackage(const std::wstring& address, HANDLE file, const std::wstring& directory, ResumeState& resume,
                       DownloadListener& listener, const DownloadTimings& timings) {
  return Download(address, file, directory, resume, listener, timings).Run();
}

bool IsDownloadAddress(const std::wstring& address) {
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof parts;
  return !address.empty() && ::InternetCrackUrlW(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts) &&
         IsWebScheme(parts.nScheme);
}

bool IsNotAPackage(const Status& status) {
  return !status.ok() && std::strcmp(status.call(), kNotAPackageCall) == 0;
}

bool LooksLikePackage(const unsigned char* head, std::size_t size) {
  static const unsigned char k7z[] = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};
  static const unsigned char kZip[] = {'P', 'K', 3, 4};
  static const unsigned char kZipEmpty[] = {'P', 'K', 5, 6};
  static const unsigned char kCab[] = {'M', 'S', 'C', 'F'};
  const auto starts = [head, size](const unsigned char* magic, size_t length) {
    return size >= length && std::memcmp(head, magic, length) == 0;
  };
  if (starts(k7z, sizeof k7z) || starts(kZip, sizeof kZip) || starts(kZipEmpty, sizeof kZipEmpty) ||
      starts(kCab, sizeof kCab)) {
    return true;
  }
  // lzma and lzma86 have no magic: the properties byte of the settings every
  // packer uses (lc=3, lp=0, pb=2), behind the lzma86 filter byte.
  if (size >= 1 && head[0] == 0x5D) return true;
  return size >= 2 && (head[0] == 0 || head[0] == 1) && head[1] == 0x5D;
}

}  // namespace Launcher
