#pragma once

// launcher/net/: the network, over WinINet: one HTTPS GET for the version
// service (HttpClient), a package's address cracked once (PackageAddress)
// and the package download that resumes, retries and reports its progress
// to a listener (PackageDownload, below). Includes only base/: it knows
// neither the installation, nor the update, nor any window.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Status.h"
#include "launcher/net/PackageAddress.h"

namespace Launcher {

// Where a package download stands, so that a later attempt or a later run
// asks only for the rest. The downloader keeps it up to date while it runs
// and hands it to DownloadListener::OnCheckpoint to be persisted; the caller
// stores it as it is and hands it back with the same file next time.
struct ResumeState {
  // SizeOnly: the bytes came from another address of the same package (a
  // mirror); only the body's size ties them to this one. The rest is asked
  // for without If-Range and taken when the answer names the same total:
  // the maker's signature over the whole file decides at the end.
  enum class Validator { None, ETag, LastModified, SizeOnly };

  // The address the bytes on disk came from; empty: nothing to resume.
  std::wstring address;
  // The first answer's strong ETag (quotes included), else its Last-Modified
  // date; sent as If-Range, so that a changed file is sent whole again.
  // Without one a cut download starts over: nothing proves the rest belongs.
  Validator validatorKind = Validator::None;
  std::wstring validator;
  // The body's size as the first answer gave it; 0 while unknown (chunked).
  std::uint64_t total = 0;
  // Body bytes at the start of the file that came from that answer (written
  // with WriteFile; not flushed to the medium).
  std::uint64_t onDisk = 0;
};

// The timings of the retries. The defaults are the shipped ones; tests pass
// shorter ones.
struct DownloadTimings {
  DWORD connectTimeoutMs = 15000;
  // An attempt that receives nothing for this long is cut (the request's
  // receive time-out).
  DWORD stallTimeoutMs = 30000;
  // The wait before the n-th retry without progress is firstBackoffMs * 2^(n-1),
  // scaled at random by 0.75 to 1.25. An attempt that moved the file further
  // than ever before does not count; the retry after it follows at once when
  // it gained 1 MiB or more, else after firstBackoffMs.
  DWORD firstBackoffMs = 1000;
  int retries = 5;
  // A 503 or 429 with "Retry-After: <seconds>" waits that long, at most this.
  DWORD retryAfterCapMs = 60000;
  // The resume state is handed to OnCheckpoint at least this often while
  // bytes arrive (and every 4 MiB), so that a small package cut at any point
  // continues at the next start.
  DWORD checkpointMs = 2000;
};

// The largest body taken when neither the reply nor the first answer names
// the package's size: 2 GiB, ten times the largest package shipped so far.
constexpr std::uint64_t kMaxPackageBytes = 2ull << 30;

// What bounds a body: the size the version service announced for the
// package (0: none), else the first answer's length, else `capBytes`.
struct DownloadBounds {
  std::uint64_t announcedSize = 0;
  std::uint64_t capBytes = kMaxPackageBytes;
};

// What the downloader tells its caller, on the downloading thread, during
// DownloadPackage. Implementations must not throw.
class DownloadListener {
 public:
  // Body bytes in the file so far (the resumed part included) and the body's
  // size (0 while unknown). Called when an answer is accepted and after each
  // write; `received` goes back to 0 when the download starts over. Never
  // called while a retry waits.
  virtual void OnProgress(std::uint64_t received, std::uint64_t total) = 0;
  // `state` has changed in a way worth keeping: a new answer was accepted,
  // another 4 MiB are written or another checkpointMs passed while bytes
  // arrived, an attempt was cut, the download ended. Store
  // it with the file to resume the next run from it.
  virtual void OnCheckpoint(const ResumeState& state) = 0;
  // The `size` bytes just written at `offset` of the file, before the
  // OnProgress that counts them; the file's position must be left as it is.
  virtual void OnWritten(std::uint64_t /*offset*/, const unsigned char* /*bytes*/, std::uint32_t /*size*/) {}

 protected:
  ~DownloadListener() = default;
};

// Downloads the package at `address` into `file`, blocking
// the calling thread until the body is complete or every try is used up.
//
// The caller creates and owns `file` (opened for GENERIC_READ | GENERIC_WRITE)
// and keeps it open for the call; the body is written from offset 0, the file
// is truncated when the download starts over and cut to the body's size at the
// end. `directory` is the directory of the file: its volume must hold the rest
// of an announced body plus 64 MiB, or the download fails before anything is
// written. `resume` is empty for a fresh download, or what an earlier call left
// for this file; one for another address, or whose bytes the file no longer
// holds, is dropped. It is updated as the download goes.
//
// Over WinINet with the system's proxy settings, no cache read or write; an
// HTTPS certificate that does not verify fails at once. A cut (connection
// reset, time-out, a body shorter than announced) asks again for the rest with
// Range and If-Range; a 206 is taken only when its Content-Range starts where
// the file ends and names the first answer's total; a 200 (changed file,
// ranges ignored) starts over in the same file; a 416 completes the download
// when the file holds the whole body, else it starts over. 408, 429 and 5xx
// answers and cuts are retried (`timings`); other 4xx answers fail at once
// and empty `resume`: the server refuses the package for good.
//
// Every body is bounded (DownloadBounds): an answer whose length differs from
// the announced size, or exceeds the cap, is refused before anything is
// written, and a body that grows past its bound is refused as it does
// ("PackageSize", kind Refused); the file is emptied and `resume` too. The
// volume's free space is looked at again every 4 MiB: it must still hold the
// rest of an announced body, or the margin while the length is unknown; a
// volume that fills up (that look, or a write that fails with
// ERROR_DISK_FULL) empties the file and `resume`, so that nothing is kept of
// it. A 206 or 416 is taken only when it carries the validator stored from
// the first answer.
//
// Returns Ok when the file holds the whole body. A failure names the last
// failed call and the address: kind Remote for what the other end did (a
// WinINet function with its error code, "HttpStatus" with the answer's
// status, "ContentRange" for a 206 or 416 that did not fit), kind Platform
// for what failed here ("GetDiskFreeSpaceExW", code ERROR_DISK_FULL when the
// space is short; a file function on the file). A body whose first bytes are
// no package the engine opens (7z, zip, cab, lzma, lzma86: a web page such as
// a captive portal's) fails with kind NotAPackage ("PackageHeader"): `resume`
// is then emptied, and the file is to be deleted, not resumed.
Status DownloadPackage(const PackageAddress& address, HANDLE file, const std::wstring& directory, ResumeState& resume,
                       DownloadListener& listener, const DownloadTimings& timings = DownloadTimings(),
                       const DownloadBounds& bounds = DownloadBounds());

// How many first bytes of a body LooksLikePackage needs to decide; a shorter
// body is decided on all of it.
constexpr std::size_t kPackageHeadBytes = 6;

// Whether `head` (the first `size` bytes of a body, at most kPackageHeadBytes
// looked at) begins a 7z (37 7A BC AF 27 1C), zip (PK 03 04 or PK 05 06), cab
// (MSCF), lzma (properties byte 0x5D) or lzma86 (filter byte 0 or 1, then 0x5D)
// package.
bool LooksLikePackage(const unsigned char* head, std::size_t size);

}  // namespace Launcher
