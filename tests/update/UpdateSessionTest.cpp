// The update session against the loopback package server, with real
// installations on disk.
#include "launcher/update/UpdateSession.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "base/UniqueHandle.h"
#include "launcher/update/DownloadRecord.h"
#include "launcher/update/UpdateControl.h"
#include "tests/net/NetTestPorts.h"
#include "tests/net/PackageServer.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/InstallTree.h"
#include "tests/support/SealedRecord.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixFiles.h"
#include "tests/update/SignedOffer.h"
#include "tests/update/SinkRecorder.h"

using namespace Launcher;

namespace {

std::wstring PackageUrl(const std::string& name) {
  return Widen(HttpUrl("/files/packages/" + name));
}

// An installed product: the files a package may replace, and one it does not.
void Install(const TempDir& dir) {
  ASSERT_TRUE(MakeDirectories(dir / L"bin"));
  ASSERT_TRUE(WriteBytes(dir / L"top.txt", "old top"));
  ASSERT_TRUE(WriteBytes(dir / L"bin\\core.dll", "old core"));
  ASSERT_TRUE(WriteBytes(dir / L"bin\\settings.ini", "user settings"));
  ASSERT_TRUE(WriteBytes(dir / L"VxSpeedUp.exe", "old product"));
}

void ExpectOldInstallation(const TempDir& dir) {
  EXPECT_EQ(ReadBytes(dir / L"top.txt"), "old top");
  EXPECT_EQ(ReadBytes(dir / L"bin\\core.dll"), "old core");
  EXPECT_EQ(ReadBytes(dir / L"bin\\settings.ini"), "user settings");
  EXPECT_EQ(ReadBytes(dir / L"VxSpeedUp.exe"), "old product");
  for (const wchar_t* absent : {L"_top.txt", L"bin\\_core.dll", L"_bin", L"bin\\extra.dll", L"docs", L"temp"}) {
    EXPECT_FALSE(PathExists(dir / absent)) << Narrow(absent);
  }
}

// Runs one update session over the installation in `directory`, offered
// the package at `url` signed as the maker signs; returns the final
// messages its sink received.
std::vector<UINT> RunUpdateFrom(const std::wstring& directory, const std::wstring& url, SinkRecorder& recorder,
                                const DownloadTimings& timings = DownloadTimings()) {
  const Installation installation(directory);
  UpdateSession(installation, SignedOffer(url), recorder, TestOptions(timings)).Run();
  return recorder.Finals();
}

TEST(UpdateSession, InstallsThePackageAndReportsProgressThenDone) {
  TempDir dir;
  Install(dir);
  SinkRecorder recorder;
  EXPECT_EQ(RunUpdateFrom(dir.Path(), PackageUrl("update_2.1.7z"), recorder),
            std::vector<UINT>{WM_UPDATE_INSTALL_DONE});

  EXPECT_EQ(ReadBytes(dir / L"top.txt"), "new top");
  EXPECT_EQ(ReadBytes(dir / L"bin\\core.dll"), "new core");
  EXPECT_EQ(ReadBytes(dir / L"bin\\extra.dll"), "brand new");
  EXPECT_EQ(ReadBytes(dir / L"docs\\readme.txt"), "\xe6\x9b\xb4\xe6\x96\xb0\xe8\xaf\xb4\xe6\x98\x8e");
  // Untouched: what the package does not name, including files in a directory it does name.
  EXPECT_EQ(ReadBytes(dir / L"bin\\settings.ini"), "user settings");
  EXPECT_EQ(ReadBytes(dir / L"VxSpeedUp.exe"), "old product");
  // Replaced files were set aside and deleted; the package is gone; nothing pending.
  EXPECT_FALSE(FileExists(dir / L"_top.txt"));
  EXPECT_FALSE(FileExists(dir / L"bin\\_core.dll"));
  EXPECT_FALSE(DirectoryExists(dir / L"_bin"));
  EXPECT_FALSE(FileExists(dir / L"update_2.1.7z"));
  EXPECT_FALSE(FileExists(dir / L"update.download"));  // it named the package until the package went
  EXPECT_FALSE(FileExists(dir / L"temp"));

  const std::vector<SinkRecorder::Posted>& messages = recorder.Messages();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages.back().message, WM_UPDATE_INSTALL_DONE);
  const SinkRecorder::Posted& lastProgress = messages[messages.size() - 2];
  EXPECT_EQ(lastProgress.message, WM_UPDATE_PROGRESS);
  const std::string package = ReadBytes(TestBinDirectory() + L"packages\\update_2.1.7z");
  EXPECT_EQ(lastProgress.done, package.size());
}

TEST(UpdateSession, FailedDownloadLeavesTheInstallationAsItWas) {
  for (const std::wstring& url : {Widen(HttpUrl("/pkg-404")), PackageUrl("missing.7z"), std::wstring(L""),
                                  Widen("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/p.7z")}) {
    TempDir dir;
    Install(dir);
    SinkRecorder recorder;
    EXPECT_EQ(RunUpdateFrom(dir.Path(), url, recorder), std::vector<UINT>{WM_UPDATE_DOWNLOAD_FAILED}) << Narrow(url);
    ExpectOldInstallation(dir);
  }
}

TEST(UpdateSession, RenameFailureRestoresWhatWasSetAside) {
  TempDir dir;
  Install(dir);
  // top.txt comes last in the package: bin\core.dll is set aside before the
  // rename of the open top.txt fails.
  UniqueHandle busy(::CreateFileW((dir / L"top.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(busy);
  SinkRecorder recorder;
  EXPECT_EQ(RunUpdateFrom(dir.Path(), PackageUrl("update_2.1.7z"), recorder),
            std::vector<UINT>{WM_UPDATE_INSTALL_FAILED});
  busy.Reset();
  ExpectOldInstallation(dir);
  // The launcher's package goes, and the record that named it after it.
  EXPECT_FALSE(FileExists(dir / L"update_2.1.7z"));
  EXPECT_FALSE(FileExists(dir / L"update.download"));
}

TEST(UpdateSession, ExtractionFailureRemovesNewFilesAndRestoresOldOnes) {
  TempDir dir;
  Install(dir);
  ASSERT_TRUE(WriteBytes(dir / L"blocked", "a file where the package wants a directory"));
  SinkRecorder recorder;
  EXPECT_EQ(RunUpdateFrom(dir.Path(), PackageUrl("halfway.zip"), recorder),
            std::vector<UINT>{WM_UPDATE_INSTALL_FAILED});
  ExpectOldInstallation(dir);
  EXPECT_EQ(ReadBytes(dir / L"blocked"), "a file where the package wants a directory");
  EXPECT_FALSE(FileExists(dir / L"halfway.zip"));
}

TEST(UpdateSession, PackageReachingOutsideTheInstallationChangesNothing) {
  TempDir outer;
  ASSERT_TRUE(MakeDirectories(outer / L"product"));
  const std::wstring product = outer / L"product\\";
  ASSERT_TRUE(WriteBytes(product + L"top.txt", "old top"));
  ASSERT_TRUE(WriteBytes(outer / L"escaped.txt", "outside, before"));
  SinkRecorder recorder;
  EXPECT_EQ(RunUpdateFrom(product, PackageUrl("escape.zip"), recorder), std::vector<UINT>{WM_UPDATE_INSTALL_FAILED});
  EXPECT_EQ(ReadBytes(outer / L"escaped.txt"), "outside, before");
  EXPECT_FALSE(FileExists(outer / L"_escaped.txt"));
  EXPECT_EQ(ReadBytes(product + L"top.txt"), "old top");
  EXPECT_FALSE(FileExists(product + L"_top.txt"));
}

// The item of a bare lzma stream has no name: it sets nothing aside (least of
// all the installation directory) and is written as "[Content]".
TEST(UpdateSession, NamelessItemNeverTouchesTheInstallationDirectory) {
  TempDir dir;
  Install(dir);
  SinkRecorder recorder;
  EXPECT_EQ(RunUpdateFrom(dir.Path(), PackageUrl("content.lzma"), recorder), std::vector<UINT>{WM_UPDATE_INSTALL_DONE});
  EXPECT_EQ(ReadBytes(dir / L"[Content]"), "lzma content");
  EXPECT_EQ(ReadBytes(dir / L"top.txt"), "old top");
  EXPECT_EQ(ReadBytes(dir / L"VxSpeedUp.exe"), "old product");
  EXPECT_FALSE(FileExists(dir / L"content.lzma"));
  EXPECT_FALSE(DirectoryExists(dir / L"_"));
  EXPECT_FALSE(PathExists(dir / L"temp"));
}

// The package name decides what the session deletes: a name that is the
// product, the launcher, the pending-deletion file or no plain file name
// fails the download before anything is touched.
// A reply naming the package after anything that exists, or an address
// that is no web address, fails the download before anything is fetched or
// created: the installation stays byte for byte as it was, and so does the
// file outside that a hard link under the package's name reaches.
TEST(UpdateSession, HostileReplyChangesNothingAndFetchesNothing) {
  const std::wstring self = [] {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring full(path);
    return full.substr(full.rfind(L'\\') + 1);
  }();
  // On the package server, which logs every request of its run: names that
  // stand in the installation (an item, the set-aside name of one, a
  // directory, the launcher's files, a hard link to a file outside).
  std::vector<std::string> served = {"top.txt", "_top.txt", "bin", "temp", "update.journal.new3", "linked.7z"};
  std::vector<std::wstring> urls = {Widen(HttpUrl("/files/packages/missing/VxSpeedUp.exe")),
                                    Widen(HttpUrl("/files/packages/vxspeedup.EXE. ")),
                                    Widen(HttpUrl("/pkg-404/")),
                                    Widen(HttpUrl("/files/packages/TEMP")),
                                    Widen(HttpUrl("/pkg-404/")) + self,
                                    Widen(HttpUrl("/pkg-404/nul.7z")),
                                    Widen(HttpUrl("/pkg-404/...")),
                                    L"file:///C:/windows/win.ini",
                                    L"C:\\windows\\win.ini",
                                    L"\\\\127.0.0.1\\share\\update_2.1.7z",
                                    L"ftp://127.0.0.1/update_2.1.7z"};
  std::vector<std::string> runs(urls.size());
  for (const std::string& name : served) {
    runs.push_back(RunId("hostile"));
    urls.push_back(Widen(ServerAddress() + "/run/" + runs.back() + "/ok/" + name));
  }
  // A real package behind an address longer than any record of it may be:
  // refused before anything is created, so no record is written that could
  // not be read back.
  runs.push_back(RunId("long"));
  urls.push_back(Widen(ServerAddress() + "/run/" + runs.back() + "/ok/update_2.1.7z?pad=" + std::string(3000, 'x')));
  for (size_t i = 0; i < urls.size(); ++i) {
    TempDir dir;
    Install(dir);
    ASSERT_TRUE(WriteBytes(dir / L"temp", "_old.dll"));
    ASSERT_TRUE(WriteBytes(dir / self, "launcher"));
    TempDir outside(L"outside");
    ASSERT_TRUE(WriteBytes(outside / L"victim.txt", "outside"));
    ASSERT_TRUE(::CreateHardLinkW((dir / L"linked.7z").c_str(), (outside / L"victim.txt").c_str(), nullptr));
    const std::string before = Describe(Read(dir.Path()));
    SinkRecorder recorder;
    EXPECT_EQ(RunUpdateFrom(dir.Path(), urls[i], recorder), std::vector<UINT>{WM_UPDATE_DOWNLOAD_FAILED})
        << Narrow(urls[i]);
    EXPECT_EQ(Describe(Read(dir.Path())), before) << Narrow(urls[i]);
    EXPECT_EQ(ReadBytes(outside / L"victim.txt"), "outside") << Narrow(urls[i]);
    if (!runs[i].empty()) {
      EXPECT_TRUE(ServerLog(runs[i]).empty()) << Narrow(urls[i]);
    }
  }
}

// Query and fragment name no part of the package file: signed links install,
// and a query cannot make the package the product or the pending list.
TEST(UpdateSession, QueryAndFragmentAreNotPartOfThePackageName) {
  for (const char* suffix : {"?v=2", "?name=/VxSpeedUp.exe", "?f=/temp", "#frag/temp"}) {
    TempDir dir;
    Install(dir);
    ASSERT_TRUE(WriteBytes(dir / L"_old.dll", "held"));
    ASSERT_TRUE(WriteBytes(dir / L"temp", "_old.dll"));
    SinkRecorder recorder;
    EXPECT_EQ(
        RunUpdateFrom(dir.Path(), Widen(HttpUrl(std::string("/files/packages/update_2.1.7z") + suffix)), recorder),
        std::vector<UINT>{WM_UPDATE_INSTALL_DONE})
        << suffix;
    EXPECT_EQ(ReadBytes(dir / L"VxSpeedUp.exe"), "old product") << suffix;
    EXPECT_EQ(ReadBytes(dir / L"temp"), "_old.dll") << suffix;
    EXPECT_EQ(ReadBytes(dir / L"bin\\core.dll"), "new core") << suffix;
    EXPECT_FALSE(PathExists(dir / L"update_2.1.7z")) << suffix;
  }
}

// Set-aside files that are read-only, and set-aside directories with files
// in them, are deleted after the update instead of piling up in "temp".
TEST(UpdateSession, ReadOnlyAndDirectorySetAsidesAreDeleted) {
  TempDir dir;
  Install(dir);
  ASSERT_TRUE(::SetFileAttributesW((dir / L"bin\\core.dll").c_str(), FILE_ATTRIBUTE_READONLY));
  // top.txt is a directory in this installation, holding the user's files.
  ASSERT_TRUE(::DeleteFileW((dir / L"top.txt").c_str()));
  ASSERT_TRUE(MakeDirectories(dir / L"top.txt\\inner"));
  ASSERT_TRUE(WriteBytes(dir / L"top.txt\\inner\\user.ini", "user"));
  ASSERT_TRUE(::SetFileAttributesW((dir / L"top.txt\\inner\\user.ini").c_str(), FILE_ATTRIBUTE_READONLY));
  SinkRecorder recorder;
  EXPECT_EQ(RunUpdateFrom(dir.Path(), PackageUrl("update_2.1.7z"), recorder),
            std::vector<UINT>{WM_UPDATE_INSTALL_DONE});
  EXPECT_EQ(ReadBytes(dir / L"top.txt"), "new top");
  EXPECT_EQ(ReadBytes(dir / L"bin\\core.dll"), "new core");
  EXPECT_FALSE(PathExists(dir / L"bin\\_core.dll"));
  EXPECT_FALSE(PathExists(dir / L"_top.txt"));
  EXPECT_FALSE(PathExists(dir / L"temp"));
}

}  // namespace

namespace {

// The download's waits shortened, as a test build may: 50 ms back-off, a
// stall cut after 1 s.
constexpr DownloadTimings kFast = {2000, 1000, 50, 5, 3000};

std::vector<UINT> RunFastUpdate(const std::wstring& directory, const std::wstring& url, SinkRecorder& recorder) {
  return RunUpdateFrom(directory, url, recorder, kFast);
}

// The offset a resumed request asked from ("bytes=N-"), or -1 for none.
long long RangeStart(const Request& request) {
  return request.range.compare(0, 6, "bytes=") == 0 ? std::stoll(request.range.substr(6)) : -1;
}

}  // namespace

// A download that did not end resumes at the next start that is offered the
// same package: only the rest is asked for, and the installation is exactly
// what the package makes of it. Another offer, or a partial file that is no
// longer the launcher's, is never resumed; a page that is no package, or a
// package the server refuses for good, leaves nothing behind. A start killed
// after it deleted the package and before the record that names it leaves
// that record alone, and the next start offered the same package downloads
// and installs it.
TEST(UpdateSession, ADownloadThatDidNotEndResumesAtTheNextStart) {
  enum class First {
    CutEveryTry,
    ServerFailsAfterACut,
    GoneAfterACut,
    KilledWhileStalled,
    Portal,
    // A page, then killed after the session deleted the package and before
    // it deleted the record that names it.
    PortalKilledBetweenDeletions,
  };
  const struct {
    const char* what;
    const char* package;
    First first;
    bool sameOffer;  // the second start is offered the same address
    bool othersMay;  // the partial file is opened to every account between the starts
    bool second;     // a second start runs, and installs
  } cases[] = {
      {"every try cut at the middle", "update_2.1.7z", First::CutEveryTry, true, false, true},
      {"a cut, then the server fails every retry", "update_2.1.7z", First::ServerFailsAfterACut, true, false, true},
      {"a cut, then the package is gone", "update_2.1.7z", First::GoneAfterACut, true, false, false},
      {"killed while stalled past a checkpoint", "big-release.7z", First::KilledWhileStalled, true, false, true},
      {"another offer starts afresh", "update_2.1.7z", First::CutEveryTry, false, false, true},
      {"a partial file others may change", "update_2.1.7z", First::CutEveryTry, true, true, false},
      {"a captive portal's page", "update_2.1.7z", First::Portal, true, false, false},
      {"a page, killed between deleting the package and its record", "update_2.1.7z",
       First::PortalKilledBetweenDeletions, true, false, true},
  };
  for (const auto& c : cases) {
    const std::wstring package = Widen(c.package);
    const long long size = static_cast<long long>(ReadBytes(TestBinDirectory() + L"packages\\" + package).size());
    const long long stop = c.first == First::KilledWhileStalled ? 5ll << 20 : size / 2;
    const std::string cut = "cut=" + std::to_string(stop);
    // Seven answers: the one that moved the file on and six retries without progress.
    const auto seven = [&](const std::string& after) {
      std::string text = cut;
      for (int i = 0; i < 6; ++i) text += "," + after;
      return text + ",ok";
    };
    const std::string script = c.first == First::Portal                         ? "portal"
                               : c.first == First::PortalKilledBetweenDeletions ? "portal,ok"
                               : c.first == First::CutEveryTry                  ? seven(cut)
                               : c.first == First::ServerFailsAfterACut         ? seven("status=503")
                               : c.first == First::GoneAfterACut                ? cut + ",status=404"
                                                                 : "stall=" + std::to_string(stop) + "=10,ok";
    // What a later start may continue: a refusal for good leaves nothing. A
    // kill between the two deletions leaves the record alone: it names a
    // file that is gone, and the next start downloads afresh.
    const bool killedBetween = c.first == First::PortalKilledBetweenDeletions;
    const bool kept = c.first != First::Portal && c.first != First::GoneAfterACut && !killedBetween;
    const std::string id = RunId("resume");
    const std::wstring url = Widen(ServerAddress() + "/file/" + id + "/" + script + "/" + c.package);
    TempDir dir;
    Install(dir);
    SinkRecorder recorder;
    if (killedBetween) {
      ChildProcess child;
      const std::wstring directory = dir.Path().substr(0, dir.Path().size() - 1);  // a final "\\" would quote the quote
      const std::wstring event = L"Local\\tarvo-session-kill-" + Widen(id);
      UniqueHandle reached(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
      ASSERT_TRUE(reached);
      ASSERT_TRUE(child.Start(L"\"" + TestBinDirectory() + L"update_demo.exe\" \"" + directory + L"\" " + url +
                              L" PackageDeleted " + event));
      ASSERT_TRUE(WaitUntil([&] { return ::WaitForSingleObject(reached.Get(), 0) == WAIT_OBJECT_0; }, 20000))
          << c.what << ": the session never deleted the package";
      child.Kill();
    } else if (c.first == First::KilledWhileStalled) {
      ChildProcess child;
      const std::wstring directory = dir.Path().substr(0, dir.Path().size() - 1);  // a final "\\" would quote the quote
      ASSERT_TRUE(child.Start(L"\"" + TestBinDirectory() + L"update_demo.exe\" \"" + directory + L"\" " + url));
      // The size as the directory tells it: the child holds the file unshared.
      EXPECT_TRUE(WaitUntil(
          [&] {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            return ::GetFileAttributesExW((dir / package).c_str(), GetFileExInfoStandard, &data) &&
                   (static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) >= stop;
          },
          20000))
          << c.what;
      child.Kill();
    } else {
      EXPECT_EQ(RunFastUpdate(dir.Path(), url, recorder), std::vector<UINT>{WM_UPDATE_DOWNLOAD_FAILED}) << c.what;
    }
    ExpectOldInstallation(dir);
    const size_t firstRequests = ServerLog(id).size();
    EXPECT_EQ(PathExists(dir / package), kept) << c.what;
    EXPECT_EQ(PathExists(dir / L"update.download"), kept || killedBetween) << c.what;
    if (c.othersMay) {
      ASSERT_TRUE(SetUnixMode(dir / package, "666"));
    }
    if (!kept && !killedBetween) continue;

    const std::string secondId = c.sameOffer ? id : RunId("other-offer");
    const std::wstring secondUrl =
        c.sameOffer ? url : Widen(ServerAddress() + "/file/" + secondId + "/ok/" + c.package);
    SinkRecorder again;
    EXPECT_EQ(RunFastUpdate(dir.Path(), secondUrl, again),
              std::vector<UINT>{c.second ? WM_UPDATE_INSTALL_DONE : WM_UPDATE_DOWNLOAD_FAILED})
        << c.what;
    const std::vector<Request> log = ServerLog(secondId);
    if (!c.second) {
      // Never taken: the file under the name is left as it is, and nothing
      // more is fetched.
      EXPECT_EQ(log.size(), firstRequests) << c.what;
      EXPECT_TRUE(PathExists(dir / package)) << c.what;
      EXPECT_FALSE(PathExists(dir / L"update.download")) << c.what;
      continue;
    }
    const size_t asked = c.sameOffer ? firstRequests : 0;
    ASSERT_EQ(log.size(), asked + 1) << c.what;
    if (c.sameOffer && !killedBetween) {
      // From the last point the record had on the disk: past the first
      // checkpoint of the big package, exactly the cut of the small one.
      const long long from = RangeStart(log.back());
      EXPECT_TRUE(c.first == First::KilledWhileStalled ? from >= (4ll << 20) && from <= stop : from == stop)
          << c.what << ": " << log.back().range;
      EXPECT_EQ(log.back().status, 206) << c.what;
    } else {
      EXPECT_EQ(log.back().range, "-") << c.what;
    }
    TempDir reference;
    Install(reference);
    ASSERT_TRUE(CopyInto(TestBinDirectory() + L"packages\\" + package, reference / package));
    ASSERT_TRUE(InstallPackage(Installation(reference.Path()), package).ok());
    // The session also records the offered version as the lowest it will
    // install from now on.
    Tree expected = Read(reference.Path());
    expected[L"update.version"] = "version 2.1.0.0\r\n";
    EXPECT_TRUE(Read(dir.Path()) == expected) << c.what << ": " << Describe(Read(dir.Path()));
  }
}

namespace {

// A record is taken only whole and as the session writes it: the session
// deletes the package a record names when another package is offered.
TEST(DownloadRecord, TakesOnlyWhatTheWorkerWrites) {
  const std::string head = "Tarvo download 1\r\naddress http://h/p.7z\r\nversion 1.0\r\n";
  const std::string tail = "validator etag \"v1\"\r\ntotal 100\r\nbytes 50\r\n";
  const struct {
    const char* what;
    std::string bytes;
    bool taken;
  } rows[] = {
      {"as written", SealedRecord(head + "package p.7z\r\n" + tail), true},
      {"more bytes than the total",
       SealedRecord(head + "package p.7z\r\nvalidator etag \"v1\"\r\ntotal 100\r\nbytes 150\r\n"), false},
      {"the product as package", SealedRecord(head + "package VxSpeedUp.exe\r\n" + tail), false},
      {"the record of the update as package", SealedRecord(head + "package update.journal\r\n" + tail), false},
      {"a package in a folder", SealedRecord(head + "package bin\\p.7z\r\n" + tail), false},
      {"an etag without its value", SealedRecord(head + "package p.7z\r\nvalidator etag\r\ntotal 100\r\nbytes 50\r\n"),
       false},
      {"lines out of order", SealedRecord(head + "validator none\r\npackage p.7z\r\ntotal 100\r\nbytes 50\r\n"), false},
      {"checksum wrong", head + "package p.7z\r\n" + tail + "end 00000000\r\n", false},
  };
  for (const auto& row : rows) {
    DownloadRecord::Entry entry;
    EXPECT_EQ(DownloadRecord::Decode(row.bytes, entry), row.taken) << row.what;
  }
  DownloadRecord::Entry written{L"http://h/p.7z", L"1.0", L"p.7z", ResumeState()};
  written.resume.validatorKind = ResumeState::Validator::LastModified;
  written.resume.validator = L"Mon, 01 Jan 2024 00:00:00 GMT";
  written.resume.total = 100;
  written.resume.onDisk = 50;
  std::string bytes;
  ASSERT_TRUE(DownloadRecord::Encode(written, bytes));
  DownloadRecord::Entry read;
  ASSERT_TRUE(DownloadRecord::Decode(bytes, read));
  EXPECT_EQ(read.package, written.package);
  EXPECT_EQ(read.resume.validator, written.resume.validator);
  EXPECT_EQ(read.resume.onDisk, 50u);
}

// Offered another package, the session removes the partial file its own
// record names; a record another account could write names nothing it
// deletes.
TEST(UpdateSession, OnlyItsOwnDownloadRecordMakesItDeleteAFile) {
  for (const bool planted : {false, true}) {
    TempDir dir;
    Install(dir);
    const wchar_t* named = planted ? L"notes.txt" : L"old.7z";
    ASSERT_TRUE(WriteBytes(dir / named, "named"));
    DownloadRecord::Entry entry{Widen(HttpUrl("/files/packages/old.7z")), L"", named, ResumeState()};
    entry.resume.onDisk = 5;
    ASSERT_TRUE(DownloadRecord(Installation(dir.Path())).Write(entry).ok());
    if (planted) {
      ASSERT_TRUE(SetUnixMode(dir / L"update.download", "666"));
    }
    SinkRecorder recorder;
    EXPECT_EQ(RunUpdateFrom(dir.Path(), PackageUrl("update_2.1.7z"), recorder),
              std::vector<UINT>{WM_UPDATE_INSTALL_DONE});
    EXPECT_EQ(PathExists(dir / named), planted) << Narrow(named);
  }
}

}  // namespace

namespace {

// Runs one session offered the package under `address`, then `mirrors`.
std::vector<UINT> RunWithMirrors(const std::wstring& directory, const std::wstring& address,
                                 const std::vector<std::wstring>& mirrors, SinkRecorder& recorder) {
  const Installation installation(directory);
  UpdateOffer offer = SignedOffer(address);
  offer.package.mirrors = mirrors;
  UpdateSession(installation, offer, recorder, TestOptions(DownloadTimings{2000, 1000, 50, 5, 3000})).Run();
  return recorder.Finals();
}

}  // namespace

// Mirrors in the maker's order: a source that fails hands over to the next,
// which continues from the bytes on disk when it serves the same size; bytes
// spliced from another file fail the check, and the next source sends the
// package whole. Only the maker's package is ever installed.
TEST(UpdateSession, MirrorsTakeOverInTheMakersOrder) {
  const std::string package = "update_2.1.7z";
  const long long size = static_cast<long long>(ReadBytes(TestBinDirectory() + L"packages\\" + Widen(package)).size());
  const long long third = size / 3;
  const std::wstring closed = Widen("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/" + package);
  const auto file = [&](const std::string& id, const std::string& script) {
    return Widen(ServerAddress() + "/file/" + id + "/" + script + "/" + package);
  };
  const struct {
    const char* what;
    bool otherBytes;       // the second source serves another file of the same size
    std::string lastAsks;  // the Range the last source is asked ("-": none)
  } cases[] = {
      {"refused, then cut and busy, then the rest", false, "bytes=" + std::to_string(third) + "-"},
      {"the rest of another file of the same size", true, "-"},
  };
  for (const auto& c : cases) {
    const std::string second = RunId("mirror-second");
    const std::string last = RunId("mirror-last");
    const std::wstring secondAddress =
        c.otherBytes ? Widen(ServerAddress() + "/run/" + second + "/ok/" + std::to_string(size) + ".7z")
                     : file(second, "cut=" + std::to_string(third) + ",status=503");
    // The other file's case: the offer's own address is cut at a third.
    const std::string first = RunId("mirror-first");
    const std::wstring address = c.otherBytes ? file(first, "cut=" + std::to_string(third) + ",status=503") : closed;
    TempDir dir;
    Install(dir);
    SinkRecorder recorder;
    EXPECT_EQ(RunWithMirrors(dir.Path(), address, {secondAddress, file(last, "ok")}, recorder),
              std::vector<UINT>{WM_UPDATE_INSTALL_DONE})
        << c.what;
    EXPECT_EQ(ReadBytes(dir / L"bin\\core.dll"), "new core") << c.what;
    EXPECT_EQ(ReadBytes(dir / L"top.txt"), "new top") << c.what;
    EXPECT_FALSE(PathExists(dir / Widen(package))) << c.what;
    const std::vector<Request> log = ServerLog(last);
    ASSERT_EQ(log.size(), 1u) << c.what;
    EXPECT_EQ(log[0].range, c.lastAsks) << c.what;
    if (c.otherBytes) {
      // The other file was asked only for the rest after the cut.
      const std::vector<Request> spliced = ServerLog(second);
      ASSERT_EQ(spliced.size(), 1u) << c.what;
      EXPECT_EQ(spliced[0].range, "bytes=" + std::to_string(third) + "-") << c.what;
    }
  }
}

// A delta for the installed version goes first; whatever fails with it, the
// full package follows in the same run. The bar never goes back.
TEST(UpdateSession, ADeltaForTheInstalledVersionGoesFirstAndTheFullPackageFollowsItsFailure) {
  const struct {
    const char* what;
    const wchar_t* from;  // the delta's base, the installed version being 2.0.0.0
    const char* script;   // how the delta is served
    const char* file;
    const char* signature;
    const char* top;  // top.txt afterwards: the delta's or the full package's
    size_t fullAsked;
  } cases[] = {
      {"the delta for the installed version", L"2.0.0.0", "ok", "delta_2.1.7z", "delta_2.1.7z.minisig", "delta top", 0},
      {"a delta for another version", L"2.0.0", "ok", "delta_2.1.7z", "delta_2.1.7z.minisig", "new top", 1},
      {"its download refused", L"2.0.0.0", "status=404", "delta_2.1.7z", "delta_2.1.7z.minisig", "new top", 1},
      {"signed for another base", L"2.0.0.0", "ok", "delta_2.1.7z", "delta_2.1.7z.from-1.9.minisig", "new top", 1},
      {"its installation rolled back", L"2.0.0.0", "ok", "delta-damaged.zip", "delta-damaged.zip.minisig", "new top",
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    Install(dir);
    const std::string deltaId = RunId("delta");
    const std::string fullId = RunId("full");
    UpdateOffer offer = SignedOffer(Widen(ServerAddress() + "/file/" + fullId + "/ok/update_2.1.7z"));
    offer.installedVersion = L"2.0.0.0";
    offer.deltas = {
        OfferedPackage{L"http://127.0.0.1:" + std::to_wstring(ClosedPort()) + L"/other.7z", L"", 0, {}, L"1.0.0.0"},
        OfferedPackage{Widen(ServerAddress() + "/file/" + deltaId + "/" + c.script + "/" + c.file),
                       Widen(ReadBytes(TestBinDirectory() + L"packages\\" + Widen(c.signature))),
                       0,
                       {},
                       c.from}};
    SinkRecorder recorder;
    const Installation installation(dir.Path());
    UpdateSession(installation, offer, recorder, TestOptions(DownloadTimings{2000, 1000, 50, 1, 3000})).Run();
    EXPECT_EQ(recorder.Finals(), std::vector<UINT>{WM_UPDATE_INSTALL_DONE});
    EXPECT_EQ(ReadBytes(dir / L"top.txt"), c.top);
    EXPECT_EQ(ReadBytes(dir / L"bin\\settings.ini"), "user settings");
    EXPECT_EQ(ServerLog(deltaId).empty(), std::wstring(c.from) != L"2.0.0.0");
    EXPECT_EQ(ServerLog(fullId).size(), c.fullAsked);
    for (const wchar_t* gone : {L"delta_2.1.7z", L"delta-damaged.zip", L"update_2.1.7z", L"_top.txt", L"_core.dll"}) {
      EXPECT_FALSE(PathExists(dir / gone)) << Narrow(gone);
    }
    double share = 0;
    for (const SinkRecorder::Posted& posted : recorder.Messages()) {
      if (posted.message != WM_UPDATE_PROGRESS || posted.total == 0) continue;
      const double now = static_cast<double>(posted.done) / static_cast<double>(posted.total);
      EXPECT_GE(now + 1e-9, share) << posted.done << " of " << posted.total;
      share = now;
    }
    EXPECT_DOUBLE_EQ(share, 1.0);
  }
}
