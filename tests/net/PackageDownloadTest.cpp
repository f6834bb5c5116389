#include "launcher/net/PackageDownload.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "tests/net/NetTestPorts.h"
#include "tests/net/PackageServer.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace Launcher;

namespace {

// Records what the downloader reports.
class Recorder : public DownloadListener {
 public:
  void OnProgress(std::uint64_t received, std::uint64_t total) override { progress.push_back({received, total}); }
  void OnCheckpoint(const ResumeState& state) override { checkpoints.push_back(state); }

  std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
  std::vector<ResumeState> checkpoints;
};

// Downloads `text` into `file` (an address the test made, which parses).
Status Download(const std::wstring& text, HANDLE file, const std::wstring& directory, ResumeState& resume,
                DownloadListener& listener, const DownloadTimings& timings) {
  PackageAddress address;
  if (Status parsed = PackageAddress::Parse(text, address); !parsed.ok()) return parsed;
  return DownloadPackage(address, file, directory, resume, listener, timings);
}

UniqueHandle OpenPackageFile(const std::wstring& path) {
  return UniqueHandle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

constexpr DownloadTimings kFast = {2000, 1000, 50, 5, 3000};

DownloadTimings WithCap(DWORD capMs) {
  DownloadTimings timings = kFast;
  timings.retryAfterCapMs = capMs;
  return timings;
}

// What the file holds before the row runs, as a previous run left it.
enum class Prior {
  None,
  Half,              // the first half, the right validator
  HalfStale,         // the first half, the validator of another version
  Whole,             // the whole body, the right validator
  HalfOtherAddress,  // the first half, recorded for another address
  ShorterThanState,  // the state counts more bytes than the file holds
  PortalOnDisk,      // the state's bytes are a web page
};

struct Row {
  const char* name;
  // package_server.py's script; "=H" stands for half the size, "=E" for one
  // byte before the end.
  std::string script;
  // One entry per request the server must see: its Range ("-": none), with
  // "=H", "=E" and "=S" (the size) as in the script; "bytes<=H-" is any
  // Range from an offset above 0 and at most H (the bytes of a read that a
  // stall cut off may be lost).
  std::vector<std::string> ranges;
  const char* failure = nullptr;  // the failed call expected; nullptr: success
  unsigned long code = 0;         // its code, when it matters
  Prior prior = Prior::None;
  std::string file = "1048699.7z";
  std::string query = "";
  int version = 1;  // the body that must arrive
  DownloadTimings timings = kFast;
  // Seconds between the first and the second request.
  double minGap = 0;
  double maxGap = 1e9;
  // The If-Range of the first request that asks for a Range, when it matters.
  std::string resumedIfRange = "";
  // The size the version service announced (0: none) and the cap; "=S"-like
  // marks are not used here: sizes relative to the named size.
  long long announcedDelta = -1;  // announced = the named size + this; -1: none
  std::uint64_t capBytes = kMaxPackageBytes;
  // A checkpoint must fall strictly inside the first attempt's body.
  bool checkpointWhileArriving = false;

  // What a row changes of the defaults, chained after its first fields.
  Row& From(Prior state) { return prior = state, *this; }
  Row& Gap(double least, double most = 1e9) { return minGap = least, maxGap = most, *this; }
  Row& Of(std::string name) { return file = std::move(name), *this; }
  Row& Asking(std::string text) { return query = std::move(text), *this; }
  Row& ResumedWith(std::string ifRange) { return resumedIfRange = std::move(ifRange), *this; }
  Row& Version(int body) { return version = body, *this; }
  Row& Timings(DownloadTimings value) { return timings = value, *this; }
  Row& Announced(long long delta) { return announcedDelta = delta, *this; }
  Row& Cap(std::uint64_t bytes) { return capBytes = bytes, *this; }
  Row& CheckpointsWhileArriving() { return checkpointWhileArriving = true, *this; }
};

// "=H" and "=E" count from the size the file's name gives (the body of an
// lzma or zip package is longer), "=S" is the body's own size, "=R" the room
// a row's folder has for a body (RoomWithoutTheMargin).
std::string Expand(std::string text, std::uint64_t named, std::uint64_t body, std::uint64_t room = 0) {
  const std::pair<const char*, std::uint64_t> marks[] = {
      {"=H", named / 2}, {"=E", named - 1}, {"=S", body}, {"=R", room}};
  for (const auto& [mark, value] : marks) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1)) {
      text.replace(at, 2, "=" + std::to_string(value));
    }
  }
  return text;
}

std::uint64_t SizeOf(const std::string& file) {
  return std::stoull(file.substr(0, file.find('.')));
}

// The space the download keeps free beyond the rest of the body, as shipped.
constexpr std::uint64_t kShippedMargin = 64ull << 20;

// A body size that the volume of `directory` holds now, but not together
// with the margin: its free space less half the margin. The row stays right
// as long as the free space moves by less than half the margin (32 MiB)
// between this call and the download's own look, a few milliseconds later.
std::uint64_t RoomWithoutTheMargin(const std::wstring& directory) {
  ULARGE_INTEGER available;
  if (!::GetDiskFreeSpaceExW(directory.c_str(), &available, nullptr, nullptr)) return 0;
  return available.QuadPart > kShippedMargin ? available.QuadPart - kShippedMargin / 2 : 0;
}

void RunRow(const Row& row) {
  SCOPED_TRACE(row.name);
  const std::string id = RunId(row.name);
  TempDir dir;
  std::uint64_t room = 0;
  if (row.script.find("=R") != std::string::npos) {
    room = RoomWithoutTheMargin(dir.Path());
    ASSERT_GT(room, 0u) << "the volume has no more than the margin free";
  }
  const std::wstring address = Widen(ServerAddress() + "/run/" + id + "/" +
                                     Expand(row.script, SizeOf(row.file), 0, room) + "/" + row.file + row.query);
  const std::wstring path = dir / Widen(row.file);

  // The previous run's file and state. Its bytes are those of the body the
  // server starts with, fetched in a run of their own.
  ResumeState resume;
  if (row.prior != Prior::None) {
    const std::string reference = RunId(std::string(row.name) + "-reference");
    TempDir scratch;
    UniqueHandle file = OpenPackageFile(scratch / L"reference");
    ResumeState fresh;
    Recorder quiet;
    ASSERT_TRUE(Download(Widen(ServerAddress() + "/run/" + reference + "/ok/" + row.file + row.query), file.Get(),
                         scratch.Path(), fresh, quiet, kFast)
                    .ok());
    file.Reset();
    const std::string body = ReadBytes(scratch / L"reference");
    const std::uint64_t half = SizeOf(row.file) / 2;
    std::string held = row.prior == Prior::Whole ? body : body.substr(0, half);
    if (row.prior == Prior::ShorterThanState) held.resize(half - 10);
    if (row.prior == Prior::PortalOnDisk) held = std::string("<html><head>") + std::string(half - 12, 'x');
    ASSERT_TRUE(WriteBytes(path, held));
    resume.address = address;
    resume.validatorKind = ResumeState::Validator::ETag;
    resume.validator = Widen("\"v1-" + row.file + "\"");
    if (row.prior == Prior::HalfStale) resume.validator = Widen("\"v0-" + row.file + "\"");
    if (row.prior == Prior::HalfOtherAddress) resume.address = address + L"-other";
    resume.total = body.size();
    resume.onDisk = row.prior == Prior::Whole ? body.size() : half;
  }

  Recorder recorder;
  Status result;
  {
    UniqueHandle file = OpenPackageFile(path);
    ASSERT_TRUE(file);
    DownloadBounds bounds;
    if (row.announcedDelta != -1) bounds.announcedSize = SizeOf(row.file) + row.announcedDelta;
    bounds.capBytes = row.capBytes;
    PackageAddress parsed;
    ASSERT_TRUE(PackageAddress::Parse(address, parsed).ok());
    result = DownloadPackage(parsed, file.Get(), dir.Path(), resume, recorder, row.timings, bounds);
  }
  if (row.checkpointWhileArriving) {
    const std::uint64_t cut = SizeOf(row.file) / 2;
    EXPECT_TRUE(std::any_of(recorder.checkpoints.begin(), recorder.checkpoints.end(), [&](const ResumeState& state) {
      return state.onDisk > 0 && state.onDisk < cut;
    })) << "no checkpoint while the body arrived";
  }

  // The requests the server saw, and what they asked for.
  const std::vector<Request> log = ServerLog(id);
  ASSERT_EQ(log.size(), row.ranges.size()) << result.ToString();
  const std::uint64_t size = ServerBody(id, 1).size();
  for (size_t i = 0; i < log.size(); ++i) {
    const std::string expected = Expand(row.ranges[i], SizeOf(row.file), size);
    if (expected.compare(0, 7, "bytes<=") == 0) {
      const std::uint64_t most = std::stoull(expected.substr(7));
      ASSERT_EQ(log[i].range.compare(0, 6, "bytes="), 0) << log[i].range;
      const std::uint64_t from = std::stoull(log[i].range.substr(6));
      EXPECT_GT(from, 0u) << "request " << i;
      EXPECT_LE(from, most) << "request " << i;
    } else {
      EXPECT_EQ(log[i].range, expected) << "request " << i;
    }
  }
  if (log.size() >= 2) {
    const double gap = log[1].seconds - log[0].seconds;
    EXPECT_GE(gap, row.minGap);
    EXPECT_LT(gap, row.maxGap);
  }
  if (!row.resumedIfRange.empty()) {
    const auto resumed =
        std::find_if(log.begin(), log.end(), [](const Request& request) { return request.range != "-"; });
    ASSERT_NE(resumed, log.end());
    EXPECT_EQ(resumed->ifRange, row.resumedIfRange);
  }

  // The downloader's count goes back only to start over from 0.
  std::uint64_t reported = 0;
  for (const auto& progress : recorder.progress) {
    EXPECT_TRUE(progress.first >= reported || progress.first == 0) << progress.first << " after " << reported;
    reported = progress.first;
  }
  for (const auto& [received, total] : recorder.progress) {
    if (total != 0) {
      EXPECT_LE(received, total);
    }
  }
  // Every resumed request asked for what a checkpoint had recorded.
  for (size_t i = 1; i < log.size(); ++i) {
    if (log[i].range == "-") continue;
    const std::uint64_t from = std::stoull(log[i].range.substr(6));
    bool recorded = false;
    for (const ResumeState& state : recorder.checkpoints) recorded = recorded || state.onDisk == from;
    EXPECT_TRUE(recorded) << "no checkpoint at " << from;
  }

  const std::string arrived = ReadBytes(path);
  if (!row.failure) {
    ASSERT_TRUE(result.ok()) << result.ToString();
    const std::string expected = ServerBody(id, row.version);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(arrived == expected) << "arrived " << arrived.size() << " bytes of " << expected.size();
    EXPECT_EQ(resume.onDisk, expected.size());
    EXPECT_EQ(resume.total, expected.size());
    ASSERT_FALSE(recorder.checkpoints.empty());
    EXPECT_EQ(recorder.checkpoints.back().onDisk, expected.size());
    EXPECT_EQ(recorder.checkpoints.back().validator, resume.validator);
    ASSERT_FALSE(recorder.progress.empty());
    EXPECT_EQ(recorder.progress.back().first, expected.size());
  } else {
    EXPECT_FALSE(result.ok());
    EXPECT_STREQ(result.call(), row.failure) << result.ToString();
    if (row.code != 0) {
      EXPECT_EQ(result.code(), row.code) << result.ToString();
    }
    EXPECT_EQ(result.subject(), std::string(row.failure) == "GetDiskFreeSpaceExW" ? dir.Path() : address);
  }
}

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"plain", "ok", {"-"}},
      {"cut-at-0", "cut=0,ok", {"-", "-"}},
      {"cut-at-half", "cut=H,ok", {"-", "bytes=H-"}},
      {"cut-before-end", "cut=E,ok", {"-", "bytes=E-"}},
      {"cut-three-times", "cut=0,cut=H,cut=E,ok", {"-", "-", "bytes=H-", "bytes=E-"}},
      {"range-ignored", "cut=H,full", {"-", "bytes=H-"}},
      Row{"changed-between-attempts", "cut=H,v2", {"-", "bytes=H-"}}.Version(2).ResumedWith("\"v1-1048699.7z\""),
      {"wrong-range-start", "cut=H,badrange,ok", {"-", "bytes=H-", "-"}},
      {"wrong-range-total", "cut=H,badtotal,ok", {"-", "bytes=H-", "-"}},
      // The stall time-out is 1 s; the server would close after 4 s.
      Row{"stall", "stall=H=4,ok", {"-", "bytes<=H-"}}.Gap(0.95, 3.0),
      Row{"no-answer", "mute=4,ok", {"-", "-"}}.Gap(0.95, 3.0),
      Row{"retry-after-2", "status=503=2,ok", {"-", "-"}}.Gap(2.0, 2.9),
      Row{"retry-after-capped", "status=503=30,ok", {"-", "-"}}.Timings(WithCap(1000)).Gap(1.0, 2.5),
      Row{"too-many-requests", "status=429=1,ok", {"-", "-"}}.Gap(1.0),
      {"server-error-retried", "status=500,ok", {"-", "-"}},
      {"request-timeout-retried", "status=408,ok", {"-", "-"}},
      {"not-found", "status=404", {"-"}, "HttpStatus", 404},
      {"forbidden", "status=403", {"-"}, "HttpStatus", 403},
      {"gone", "status=410", {"-"}, "HttpStatus", 410},
      {"bad-request", "status=400", {"-"}, "HttpStatus", 400},
      {"unauthorized", "status=401", {"-"}, "HttpStatus", 401},
      {"every-attempt-cut", "cut=0", {"-", "-", "-", "-", "-", "-"}, "InternetReadFile"},
      {"unavailable-throughout", "status=503", {"-", "-", "-", "-", "-", "-"}, "HttpStatus", 503},
      // The first attempt moved the file on, the six after it did not.
      {"progress-then-stuck",
       "cut=H",
       {"-", "bytes=H-", "bytes=H-", "bytes=H-", "bytes=H-", "bytes=H-", "bytes=H-"},
       "InternetReadFile"},
      // Seven cuts that each move the file on, every one followed by a cut
      // that moves it nowhere: more than the five retries either way, but
      // never two without progress in a row.
      {"progress-between-fruitless-cuts",
       "cut=100000,cut=100000,cut=200000,cut=200000,cut=300000,cut=300000,cut=400000,cut=400000,cut=500000,"
       "cut=500000,cut=600000,cut=600000,cut=700000,cut=700000,ok",
       {"-", "bytes=100000-", "bytes=100000-", "bytes=200000-", "bytes=200000-", "bytes=300000-", "bytes=300000-",
        "bytes=400000-", "bytes=400000-", "bytes=500000-", "bytes=500000-", "bytes=600000-", "bytes=600000-",
        "bytes=700000-", "bytes=700000-"}},
      {"captive-portal", "portal", {"-"}, "PackageHeader"},
      // The cap lifted: the volume, not the bound, refuses these.
      Row{"no-room", "huge", {"-"}, "GetDiskFreeSpaceExW", ERROR_DISK_FULL}.Cap(UINT64_MAX),
      // The volume holds the body, but not the margin beside it.
      Row{"room-for-the-body-not-the-margin", "huge=R", {"-"}, "GetDiskFreeSpaceExW", ERROR_DISK_FULL}.Cap(UINT64_MAX),
      Row{"previous-run", "ok", {"bytes=H-"}}.From(Prior::Half),
      // The stale validator makes the server start over with a 200.
      Row{"previous-run-stale", "ok", {"bytes=H-"}}.From(Prior::HalfStale).ResumedWith("\"v0-1048699.7z\""),
      Row{"previous-run-complete", "ok", {"bytes=S-"}}.From(Prior::Whole),
      Row{"previous-run-416-not-complete", "r416,ok", {"bytes=H-", "-"}}.From(Prior::Half),
      Row{"previous-run-other-address", "ok", {"-"}}.From(Prior::HalfOtherAddress),
      Row{"previous-run-file-shorter", "ok", {"-"}}.From(Prior::ShorterThanState),
      Row{"previous-run-web-page", "ok", {}, "PackageHeader"}.From(Prior::PortalOnDisk),
      Row{"weak-etag-uses-last-modified", "cut=H,ok", {"-", "bytes=H-"}}
          .Asking("?etag=weak")
          .ResumedWith("Mon, 01 Jan 2024 00:00:00 GMT"),
      Row{"no-validator-starts-over", "cut=H,ok", {"-", "-"}}.Asking("?etag=none"),
      {"chunked", "chunked", {"-"}},
      // Every body is bounded: by the size the service announced, by the
      // first answer's length, else by the cap; what breaks the bound is
      // refused and nothing of it kept.
      Row{"chunked-as-announced", "chunked", {"-"}}.Announced(0),
      Row{"length-other-than-announced", "ok", {"-"}, "PackageSize"}.Announced(1),
      Row{"chunked-beyond-the-announced-size", "chunked", {"-"}, "PackageSize"}.Announced(-1000),
      Row{"chunked-beyond-the-cap", "chunked", {"-"}, "PackageSize"}.Cap(100000),
      Row{"length-beyond-the-cap", "ok", {"-"}, "PackageSize"}.Cap(100000),
      // A 206 that names another file's validator is never spliced on.
      {"partial-answer-of-another-version", "cut=H,badetag,ok", {"-", "bytes=H-", "-"}},
      // Checkpoints by time as well as by size: a small body cut anywhere
      // can be continued from what was recorded while it arrived.
      Row{"checkpoints-while-arriving", "cut=H,ok", {"-", "bytes=H-"}}
          .Timings([] {
            DownloadTimings timings = kFast;
            timings.checkpointMs = 0;
            return timings;
          }())
          .CheckpointsWhileArriving(),
      Row{"lzma", "cut=H,ok", {"-", "bytes=H-"}}.Of("300000.lzma"),
      Row{"zip", "ok", {"-"}}.Of("300000.zip"),
  };
  return rows;
}

class PackageDownloadRows : public ::testing::TestWithParam<size_t> {};

TEST_P(PackageDownloadRows, ArrivesWholeWithTheRequestsExpected) {
  RunRow(Rows()[GetParam()]);
}

INSTANTIATE_TEST_SUITE_P(Table, PackageDownloadRows, ::testing::Range<size_t>(0, Rows().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           std::string name = Rows()[info.param].name;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

// What a failure leaves: a web page is not kept for resuming, a refused
// download has written nothing.
TEST(PackageDownload, NothingWrittenOrKeptForAPageOrAShortVolume) {
  for (const char* script : {"portal", "huge"}) {
    SCOPED_TRACE(script);
    const std::string id = RunId(script);
    TempDir dir;
    UniqueHandle file = OpenPackageFile(dir / L"p.7z");
    ASSERT_TRUE(file);
    ResumeState resume;
    Recorder recorder;
    const Status result = Download(Widen(ServerAddress() + "/run/" + id + "/" + script + "/1048699.7z"), file.Get(),
                                   dir.Path(), resume, recorder, kFast);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.Is(Status::Kind::NotAPackage), std::string(script) == "portal");
    LARGE_INTEGER size;
    ASSERT_TRUE(::GetFileSizeEx(file.Get(), &size));
    EXPECT_EQ(size.QuadPart, 0);
    EXPECT_EQ(resume.onDisk, 0u);
    if (result.Is(Status::Kind::NotAPackage)) {
      EXPECT_EQ(resume.validatorKind, ResumeState::Validator::None);
      ASSERT_FALSE(recorder.checkpoints.empty());
      EXPECT_EQ(recorder.checkpoints.back().validator, L"");
    }
  }
}

// The version service's stand-in has a self-signed, expired certificate for
// another host: the download refuses it at once, with no retry.
TEST(PackageDownload, CertificateThatDoesNotVerifyFailsAtOnce) {
  TempDir dir;
  UniqueHandle file = OpenPackageFile(dir / L"p.7z");
  ResumeState resume;
  Recorder recorder;
  DownloadTimings timings = kFast;
  timings.firstBackoffMs = 3000;
  const ULONGLONG start = ::GetTickCount64();
  const Status result = Download(Widen(HttpsUrl("/pkg/1000")), file.Get(), dir.Path(), resume, recorder, timings);
  EXPECT_STREQ(result.call(), "HttpSendRequestW") << result.ToString();
  // Wine names the expired date (12037); Windows may name the unknown issuer
  // or the host name first.
  const unsigned long code = result.code();
  EXPECT_TRUE(code == ERROR_INTERNET_SEC_CERT_DATE_INVALID || code == ERROR_INTERNET_SEC_CERT_CN_INVALID ||
              code == ERROR_INTERNET_INVALID_CA || code == ERROR_INTERNET_SEC_INVALID_CERT ||
              code == ERROR_INTERNET_SEC_CERT_ERRORS)
      << result.ToString();
  EXPECT_LT(::GetTickCount64() - start, 2000u);
  EXPECT_TRUE(recorder.progress.empty());
}

// The packages the real tools made for the worker tests all pass; web pages
// and near misses do not.
TEST(LooksLikePackage, RealPackagesAndNearMisses) {
  for (const wchar_t* name : {L"update_2.1.7z", L"halfway.zip", L"many.zip", L"escape.zip", L"content.lzma"}) {
    const std::string bytes = ReadBytes(TestBinDirectory() + L"packages\\" + name);
    ASSERT_FALSE(bytes.empty()) << Narrow(name);
    EXPECT_TRUE(LooksLikePackage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())) << Narrow(name);
  }
  const struct {
    std::string head;
    bool package;
  } rows[] = {
      {std::string("\x37\x7A\xBC\xAF\x27\x1C", 6), true},
      {std::string("\x37\x7A\xBC\xAF\x27", 5), false},  // a 7z signature cut short
      {std::string("\x37\x7A\xBC\xAF\x27\x1D", 6), false},
      {std::string("PK\x03\x04\x14\x00", 6), true},
      {std::string("PK\x05\x06\x00\x00", 6), true},  // an empty zip
      {std::string("PK\x01\x02\x00\x00", 6), false},
      {std::string("PK\x07\x08\x00\x00", 6), false},
      {std::string("MSCF\x00\x00", 6), true},
      {std::string("MSCE\x00\x00", 6), false},
      {std::string("\x5D\x00\x00\x80\x00\xFF", 6), true},   // lzma, 8 MiB dictionary
      {std::string("\x00\x5D\x00\x00\x10\x00", 6), true},   // lzma86 without filter
      {std::string("\x01\x5D\x00\x00\x10\x00", 6), true},   // lzma86 with the x86 filter
      {std::string("\x02\x5D\x00\x00\x10\x00", 6), false},  // no such filter
      {std::string("\x00\x5E\x00\x00\x10\x00", 6), false},
      {std::string("\x5E\x00\x00\x80\x00\xFF", 6), false},
      {"<html>", false},
      {"<!DOCT", false},
      {"\xEF\xBB\xBF<htm", false},
      {"HTTP/1", false},
      {"", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(LooksLikePackage(reinterpret_cast<const unsigned char*>(row.head.data()), row.head.size()), row.package)
        << ::testing::PrintToString(row.head);
  }
}

}  // namespace
