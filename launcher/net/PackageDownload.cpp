#include "launcher/net/PackageDownload.h"

#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "launcher/net/InternetHandle.h"
#include "launcher/net/PackageAddress.h"

namespace Launcher {

namespace {

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

// The other end failed `call` (read GetLastError first): a refused or cut
// connection, a time-out.
Status RemoteError(const char* call, const std::wstring& subject) {
  const DWORD code = ::GetLastError();
  return Status::Failed(Status::Kind::Remote, call, subject, code);
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
  Download(const PackageAddress& address, HANDLE file, const std::wstring& directory, ResumeState& resume,
           DownloadListener& listener, const DownloadTimings& timings, const DownloadBounds& bounds)
      : address_(address),
        subject_(address.Text()),
        file_(file),
        directory_(directory),
        resume_(resume),
        listener_(listener),
        timings_(timings),
        bounds_(bounds),
        buffer_(kReadBytes) {}

  Status Run();

 private:
  // One request and what its answer says to do next.
  AttemptResult Attempt(HINTERNET connection);
  // The answers, by status: the whole body (200), the rest or nothing more
  // (206, 416), and any other.
  AttemptResult AcceptWhole(HINTERNET request);
  AttemptResult AcceptRange(HINTERNET request, DWORD status, std::uint64_t asked);
  AttemptResult RetryOrRefuse(HINTERNET request, DWORD status);
  AttemptResult ReadBody(HINTERNET request);
  // The bounded back-off between attempts; false when the bound is used up.
  bool WaitBeforeRetry(const AttemptResult& result, std::uint64_t& furthest, int& failures);
  // Drops what is on disk: the next request asks for the whole body.
  void Forget();
  // Empties the file, to match a download that starts over.
  Status Truncate();
  Status AdoptResume();
  Status CheckSpace();
  // While the body grows: the volume must still hold the rest of an
  // announced body, or the margin while its length is unknown.
  Status CheckRoomLeft();
  // Whether the download's volume holds `bytes` more.
  Status HasRoomFor(std::uint64_t bytes) const;
  // The most bytes the body being read may have.
  std::uint64_t Bound() const {
    return resume_.total != 0 ? resume_.total : bounds_.announcedSize != 0 ? bounds_.announcedSize : bounds_.capBytes;
  }
  // Whether the answer carries the validator stored from the first answer.
  bool CarriesStoredValidator(HINTERNET request) const;
  // Stores the answer's strong ETag, else its Last-Modified, else none.
  void TakeValidator(HINTERNET request);
  // Ends the download for good, keeping nothing: the file emptied, `resume`
  // forgotten and recorded so.
  AttemptResult Drop(Status cause);
  // Adds the body bytes at `offset` to the head; false once the head is
  // known to be no package.
  bool FeedHead(std::uint64_t offset, const unsigned char* bytes, size_t size, bool ended);
  AttemptResult NotAPackage();
  void Checkpoint() {
    lastCheckpoint_ = resume_.onDisk;
    lastCheckpointTick_ = ::GetTickCount64();
    listener_.OnCheckpoint(resume_);
  }

  const PackageAddress& address_;
  const std::wstring& subject_;
  HANDLE file_;
  const std::wstring& directory_;
  ResumeState& resume_;
  DownloadListener& listener_;
  const DownloadTimings& timings_;
  const DownloadBounds& bounds_;
  std::vector<unsigned char> buffer_;
  unsigned char head_[kPackageHeadBytes] = {};
  size_t headSize_ = 0;
  bool headDecided_ = false;
  std::uint64_t lastCheckpoint_ = 0;
  ULONGLONG lastCheckpointTick_ = 0;
};

void Download::Forget() {
  resume_.address = subject_;
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
  if (!::GetFileSizeEx(file_, &size)) return Status::FromLastError("GetFileSizeEx", subject_);
  const std::uint64_t held = static_cast<std::uint64_t>(size.QuadPart);
  const bool bySize = resume_.validatorKind == ResumeState::Validator::SizeOnly && resume_.total != 0;
  const bool usable = resume_.address == subject_ && resume_.validatorKind != ResumeState::Validator::None &&
                      (bySize || !resume_.validator.empty()) && resume_.onDisk > 0 && resume_.onDisk <= held &&
                      (resume_.total == 0 || resume_.onDisk <= resume_.total);
  if (!usable) {
    Forget();
    return Status::Ok();
  }
  headSize_ = static_cast<size_t>(std::min<std::uint64_t>(resume_.onDisk, kPackageHeadBytes));
  DWORD read = 0;
  if (!SeekTo(file_, 0) || !::ReadFile(file_, head_, static_cast<DWORD>(headSize_), &read, nullptr)) {
    return Status::FromLastError("ReadFile", subject_);
  }
  if (read != headSize_) {
    Forget();
    return Status::Ok();
  }
  headDecided_ = headSize_ == kPackageHeadBytes;
  if (headDecided_ && !LooksLikePackage(head_, headSize_)) {
    Forget();
    return Status::Failed(Status::Kind::NotAPackage, "PackageHeader", subject_);
  }
  return Status::Ok();
}

Status Download::CheckSpace() {
  if (resume_.total == 0) return Status::Ok();
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file_, &size)) return Status::FromLastError("GetFileSizeEx", subject_);
  const std::uint64_t held = static_cast<std::uint64_t>(size.QuadPart);
  const std::uint64_t rest = resume_.total > held ? resume_.total - held : 0;
  return HasRoomFor(rest > UINT64_MAX - kSpareBytes ? UINT64_MAX : rest + kSpareBytes);
}

Status Download::CheckRoomLeft() {
  return HasRoomFor(resume_.total > resume_.onDisk ? resume_.total - resume_.onDisk : kSpareBytes);
}

Status Download::HasRoomFor(std::uint64_t bytes) const {
  ULARGE_INTEGER available;
  if (!::GetDiskFreeSpaceExW(directory_.c_str(), &available, nullptr, nullptr)) {
    return Status::FromLastError("GetDiskFreeSpaceExW", directory_);
  }
  if (available.QuadPart < bytes) return Status::Failed("GetDiskFreeSpaceExW", directory_, ERROR_DISK_FULL);
  return Status::Ok();
}

AttemptResult Download::Drop(Status cause) {
  Forget();
  static_cast<void>(Truncate());  // the caller deletes the file anyway
  Checkpoint();
  return {Outcome::Fail, std::move(cause)};
}

void Download::TakeValidator(HINTERNET request) {
  std::wstring text;
  if (QueryHeader(request, HTTP_QUERY_ETAG, text) && !text.empty() && text.compare(0, 2, L"W/") != 0) {
    resume_.validatorKind = ResumeState::Validator::ETag;
    resume_.validator = text;
  } else if (QueryHeader(request, HTTP_QUERY_LAST_MODIFIED, text) && !text.empty()) {
    resume_.validatorKind = ResumeState::Validator::LastModified;
    resume_.validator = text;
  } else {
    resume_.validatorKind = ResumeState::Validator::None;
    resume_.validator.clear();
  }
}

bool Download::CarriesStoredValidator(HINTERNET request) const {
  std::wstring text;
  switch (resume_.validatorKind) {
    case ResumeState::Validator::ETag:
      return QueryHeader(request, HTTP_QUERY_ETAG, text) && text == resume_.validator;
    case ResumeState::Validator::LastModified:
      return QueryHeader(request, HTTP_QUERY_LAST_MODIFIED, text) && text == resume_.validator;
    case ResumeState::Validator::SizeOnly:
      return true;  // the total, compared by the caller, is all there is
    case ResumeState::Validator::None:
      break;
  }
  return false;
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
  return {Outcome::Fail, Status::Failed(Status::Kind::NotAPackage, "PackageHeader", subject_)};
}

Status Download::Truncate() {
  if (!SeekTo(file_, 0) || !::SetEndOfFile(file_)) return Status::FromLastError("SetEndOfFile", subject_);
  return Status::Ok();
}

AttemptResult Download::Attempt(HINTERNET connection) {
  UniqueInternetHandle request(::HttpOpenRequestW(connection, L"GET", address_.Object().c_str(), L"HTTP/1.1", nullptr,
                                                  nullptr,
                                                  kRequestFlags | (address_.Https() ? INTERNET_FLAG_SECURE : 0), 0));
  if (!request) return {Outcome::Fail, Status::FromLastError("HttpOpenRequestW", subject_)};
  SetTimeouts(request.Get(), timings_);

  // Without a validator nothing proves that the rest belongs to the bytes
  // on disk.
  if (resume_.onDisk > 0 && resume_.validatorKind == ResumeState::Validator::None) Forget();
  const std::uint64_t asked = resume_.onDisk;
  std::wstring headers;
  if (asked > 0) {
    headers = L"Range: bytes=" + std::to_wstring(asked) + L"-\r\n";
    if (resume_.validatorKind != ResumeState::Validator::SizeOnly)
      headers += L"If-Range: " + resume_.validator + L"\r\n";
  }
  if (!::HttpSendRequestW(request.Get(), headers.empty() ? nullptr : headers.c_str(),
                          static_cast<DWORD>(headers.size()), nullptr, 0)) {
    const Status failed = RemoteError("HttpSendRequestW", subject_);
    // A certificate that does not verify will not verify on the next try.
    return {IsCertificateError(failed.code()) ? Outcome::Fail : Outcome::Retry, failed};
  }
  DWORD status = 0;
  DWORD statusBytes = sizeof status;
  if (!::HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusBytes,
                        nullptr)) {
    return {Outcome::Retry, RemoteError("HttpQueryInfoW", subject_)};
  }
  if (status == 200) return AcceptWhole(request.Get());
  if (status == 206 || status == 416) return AcceptRange(request.Get(), status, asked);
  return RetryOrRefuse(request.Get(), status);
}

AttemptResult Download::AcceptWhole(HINTERNET request) {
  // The whole body, from the first byte: a changed file, or a server that
  // ignores ranges. Its validator and size are the new reference.
  Forget();
  std::wstring text;
  std::uint64_t length = 0;
  if (QueryHeader(request, HTTP_QUERY_CONTENT_LENGTH, text) && ParseCount(text, 0, text.size(), length)) {
    // A length other than the announced one is another file: nothing of it
    // is written.
    if ((bounds_.announcedSize != 0 && length != bounds_.announcedSize) || length > bounds_.capBytes) {
      return Drop(Status::Failed(Status::Kind::Refused, "PackageSize", subject_));
    }
    resume_.total = length;
  }
  TakeValidator(request);
  if (Status space = CheckSpace(); !space.ok()) return {Outcome::Fail, space};
  if (Status emptied = Truncate(); !emptied.ok()) return {Outcome::Fail, emptied};
  Checkpoint();
  return ReadBody(request);
}

AttemptResult Download::AcceptRange(HINTERNET request, DWORD status, std::uint64_t asked) {
  std::wstring text;
  ContentRange range;
  const bool parsed = QueryHeader(request, HTTP_QUERY_CONTENT_RANGE, text) && ParseContentRange(text, range);
  // The stored validator too: a server that ignores If-Range must not
  // splice another file's bytes onto ours.
  const bool fits = parsed && asked > 0 && range.total == resume_.total && CarriesStoredValidator(request) &&
                    (status == 206 ? range.first == asked && range.last + 1 == range.total
                                   : range.first == UINT64_MAX && asked == resume_.total);
  if (!fits) {
    // Never spliced: bytes of some other range or file would make a
    // package that only fails when it is unpacked.
    Forget();
    if (Status emptied = Truncate(); !emptied.ok()) return {Outcome::Fail, emptied};
    Checkpoint();
    return {Outcome::Retry, Status::Failed(Status::Kind::Remote, "ContentRange", subject_, status)};
  }
  if (status == 206) {
    // Continued from another address's bytes: this one's validator ties
    // what follows from here on.
    if (resume_.validatorKind == ResumeState::Validator::SizeOnly) TakeValidator(request);
    if (Status space = CheckSpace(); !space.ok()) return {Outcome::Fail, space};
    return ReadBody(request);
  }
  // Asked for the bytes after the last one: the file is whole.
  if (!FeedHead(resume_.onDisk, nullptr, 0, true)) return NotAPackage();
  if (!SeekTo(file_, resume_.onDisk) || !::SetEndOfFile(file_)) {
    return {Outcome::Fail, Status::FromLastError("SetEndOfFile", subject_)};
  }
  listener_.OnProgress(resume_.onDisk, resume_.total);
  Checkpoint();
  return {Outcome::Complete, Status::Ok()};
}

AttemptResult Download::RetryOrRefuse(HINTERNET request, DWORD status) {
  const Status answered = Status::Failed(Status::Kind::Remote, "HttpStatus", subject_, status);
  if (status == 408 || status == 429 || status >= 500) {
    DWORD retryAfterMs = 0;
    std::wstring text;
    std::uint64_t seconds = 0;
    if ((status == 429 || status == 503) && QueryHeader(request, HTTP_QUERY_RETRY_AFTER, text) &&
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

AttemptResult Download::ReadBody(HINTERNET request) {
  if (!SeekTo(file_, resume_.onDisk)) return {Outcome::Fail, Status::FromLastError("SetFilePointerEx", subject_)};
  listener_.OnProgress(resume_.onDisk, resume_.total);
  for (;;) {
    DWORD read = 0;
    if (!::InternetReadFile(request, buffer_.data(), kReadBytes, &read)) {
      const Status cut = RemoteError("InternetReadFile", subject_);
      Checkpoint();
      return {Outcome::Retry, cut};
    }
    if (read == 0) {
      if (resume_.total != 0 && resume_.onDisk < resume_.total) {
        // The connection closed before the announced end: a cut, however
        // politely it was closed.
        Checkpoint();
        return {Outcome::Retry, Status::Failed(Status::Kind::Remote, "InternetReadFile", subject_, ERROR_HANDLE_EOF)};
      }
      if (!FeedHead(resume_.onDisk, nullptr, 0, true)) return NotAPackage();
      if (!::SetEndOfFile(file_)) return {Outcome::Fail, Status::FromLastError("SetEndOfFile", subject_)};
      if (resume_.total == 0) resume_.total = resume_.onDisk;
      Checkpoint();
      return {Outcome::Complete, Status::Ok()};
    }
    if (!FeedHead(resume_.onDisk, buffer_.data(), read, false)) return NotAPackage();
    if (read > Bound() - std::min(Bound(), resume_.onDisk)) {
      return Drop(Status::Failed(Status::Kind::Refused, "PackageSize", subject_));
    }
    DWORD written = 0;
    if (!::WriteFile(file_, buffer_.data(), read, &written, nullptr) || written != read) {
      Status failed = Status::FromLastError("WriteFile", subject_);
      // A full volume keeps nothing: the partial file goes with the failure.
      if (failed.code() == ERROR_DISK_FULL || failed.code() == ERROR_HANDLE_DISK_FULL) return Drop(std::move(failed));
      return {Outcome::Fail, std::move(failed)};
    }
    listener_.OnWritten(resume_.onDisk, reinterpret_cast<const unsigned char*>(buffer_.data()), read);
    resume_.onDisk += read;
    listener_.OnProgress(resume_.onDisk, resume_.total);
    if (resume_.onDisk - lastCheckpoint_ >= kCheckpointBytes) {
      if (Status room = CheckRoomLeft(); !room.ok()) return Drop(std::move(room));
      Checkpoint();
    } else if (::GetTickCount64() - lastCheckpointTick_ >= timings_.checkpointMs) {
      Checkpoint();
    }
  }
}

Status Download::Run() {
  if (Status adopted = AdoptResume(); !adopted.ok()) {
    if (adopted.Is(Status::Kind::NotAPackage)) Checkpoint();
    return adopted;
  }
  lastCheckpoint_ = resume_.onDisk;
  lastCheckpointTick_ = ::GetTickCount64();

  UniqueInternetHandle root(::InternetOpenW(L"Http-connect", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!root) return Status::FromLastError("InternetOpenW", subject_);
  SetTimeouts(root.Get(), timings_);
  UniqueInternetHandle connection(::InternetConnectW(root.Get(), address_.Host().c_str(), address_.Port(), nullptr,
                                                     nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return Status::FromLastError("InternetConnectW", subject_);
  SetTimeouts(connection.Get(), timings_);

  std::uint64_t furthest = resume_.onDisk;
  int failures = 0;
  for (;;) {
    const AttemptResult result = Attempt(connection.Get());
    if (result.outcome == Outcome::Complete) return Status::Ok();
    if (result.outcome == Outcome::Fail) return result.status;
    if (!WaitBeforeRetry(result, furthest, failures)) return result.status;
  }
}

bool Download::WaitBeforeRetry(const AttemptResult& result, std::uint64_t& furthest, int& failures) {
  // Only bytes beyond any reached before count as progress: an attempt that
  // starts over and is cut again at the same place gains nothing.
  std::uint64_t gained = 0;
  if (resume_.onDisk > furthest) {
    gained = resume_.onDisk - furthest;
    furthest = resume_.onDisk;
    failures = 0;
  } else if (++failures > timings_.retries) {
    return false;
  }
  // A line that delivered a good piece before it broke is asked again at
  // once; one that delivers crumbs is not hammered.
  if (result.retryAfterMs == 0 && gained >= kPromptRetryBytes) return true;
  const DWORD wait = result.retryAfterMs != 0
                         ? result.retryAfterMs
                         : Jittered(std::uint64_t{timings_.firstBackoffMs} << std::min(std::max(failures, 1) - 1, 20));
  ::Sleep(wait);
  return true;
}

}  // namespace

Status DownloadPackage(const PackageAddress& address, HANDLE file, const std::wstring& directory, ResumeState& resume,
                       DownloadListener& listener, const DownloadTimings& timings, const DownloadBounds& bounds) {
  return Download(address, file, directory, resume, listener, timings, bounds).Run();
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
