#pragma once

// launcher/update/: one update and what makes it undoable. The session
// (below) downloads, checks the maker's signature (PackageSignature), sets
// aside the files the package replaces (SetAsideList), unpacks it and, on
// failure, rolls back (RollBack); the update record (UpdateJournal), the list
// of what is left for the next start ("temp": PendingList) and the download
// record (DownloadRecord) are on the disk before each step, and the start-up
// repair (UpdateRepair) finishes or undoes what a killed launcher left.
// Built on launcher/fs/, launcher/net/ and launcher/extract/; knows no
// window: it reports to an UpdateSink, and UpdateControl.h only names the
// messages the app posts for it.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/Status.h"
#include "base/UniqueHandle.h"
#include "launcher/extract/SevenZipExtractor.h"
#include "launcher/fs/Installation.h"
#include "launcher/net/PackageAddress.h"
#include "launcher/net/PackageDownload.h"
#include "launcher/update/DownloadRecord.h"
#include "launcher/update/InstallWatcher.h"
#include "launcher/update/PackageDigest.h"
#include "launcher/update/PendingList.h"
#include "launcher/update/SetAsideList.h"
#include "launcher/update/UpdateJournal.h"
#include "launcher/update/UpdateOffer.h"
#include "launcher/update/UpdateSink.h"

namespace Launcher {

// The update of one run, over the run's one gate to the installation:
// downloads the offered package into the installation, checks the maker's
// signature, plans and records what it will change, sets aside the installed
// files the package replaces (and those its deletion markers name), unpacks
// the package, commits, and discards the set-aside files and the package.
// After any failure the installation holds exactly its old files; a process
// killed at any step leaves what the next start's RepairInterruptedUpdate
// brings back to exactly the old or the new installation.
//
// When the offer has a delta whose From is exactly the installed version,
// the delta goes first; whatever fails with it (its download, its check, an
// installation that rolled back) is followed once, in the same run, by the
// full package.
//
// The session owns the download record, the update record, the set-aside
// plan and the pending list for its run; it shares the installation, which
// must outlive it, and reports to the sink. One thread (the update's); not
// copyable. A failure leaves one line with its cause (Status::ToString after
// "update failed: ", or after "delta failed, the full package follows: ")
// on the standard error stream.
// The bounds of an offer, in characters: the address (WinINet's own limit
// for a URL is 2083) and the version ("1.0.0.10" has 8). With them every
// record naming the offer fits the records' size limit.
inline constexpr size_t kMaxOfferedAddress = 2048;
inline constexpr size_t kMaxOfferedVersion = 64;
// The most mirrors a package may name, each bounded like the address.
inline constexpr size_t kMaxOfferedMirrors = 8;

// Whether `package` of an offer of `version` may be downloaded at all: it
// carries a signature (a package without one is a failed download), and its
// signature, address, mirrors and `version` are within their bounds. Refused
// (kind Refused) naming the first bound it breaks.
[[nodiscard]] Status CheckOffer(const std::wstring& version, const OfferedPackage& package);

class UpdateSession {
 public:
  struct Options {
    // The maker's public key (the base64 line of a minisign.pub); the
    // program's own by default. Every package must carry a signature made
    // with it; with no valid key every package is refused.
    std::string publicKey;
    // The download's time-outs and back-off (the shipped ones by default).
    DownloadTimings timings;
    // Told of each step of the installation as it passes (may be null).
    InstallWatcher* watcher = nullptr;
  };
  // The options of the shipped program: its built-in key, shipped timings.
  static Options ShippedOptions();

  UpdateSession(const Installation& installation, UpdateOffer offer, UpdateSink& sink, Options options);
  UpdateSession(const UpdateSession&) = delete;
  UpdateSession& operator=(const UpdateSession&) = delete;
  ~UpdateSession();

  // The whole update; the sink hears every progress report and then, once,
  // how it ended.
  void Run();

  // Installs the package file `name` that already lies in the installation,
  // without a download and without a signature check: the steps Run takes
  // after the check, the package deleted at the end whatever the outcome
  // but a failure to read it. Ok when every item was written.
  Status InstallPackageFile(const std::wstring& name);

 private:
  // The delta for the installed version, or null.
  const OfferedPackage* DeltaForTheInstalledVersion() const;
  // `package` downloaded, checked and installed, from a clean slate; `end`
  // says how far it got.
  Status TryPackage(const OfferedPackage& package, UpdateEnd& end);
  void Begin(const OfferedPackage& package);
  // What the sink hears, as a share that never goes back; the next download
  // continues from the share reached.
  void ReportProgress(std::uint64_t received, std::uint64_t total);
  void ContinueProgressFromHere();
  // The steps, in their order; each returns the step's failure.
  Status Download();
  Status Check();
  Status Plan();
  Status SetAside();
  Status Unpack();
  Status Commit();
  void Discard();
  // Undoes what this run did after `cause` and returns `cause`.
  Status Fail(Status cause);
  // Plan to Discard: the installation of the held package.
  Status Install();
  // The download's pieces: the partial file of an earlier start taken up or
  // removed, and the package file made.
  void TakeUpEarlierDownload(UniqueHandle& file, ResumeState& resume);
  // The package's address, then its mirrors, from source_ on, into `file`.
  Status DownloadFromSources(HANDLE file, DownloadRecord::Entry& entry);
  // After a failed signature check: the package goes and the next source
  // is to send it whole; false when there is none, or this run did so once.
  bool StartOverFromTheNextSource();
  Status CreatePackageFile(UniqueHandle& file);
  // Lets go of the package and deletes it, then the download record that
  // names it.
  void DeletePackage();
  void Reach(InstallStep step);

  class DownloadProgress;

  const Installation& installation_;
  UpdateOffer offer_;
  UpdateSink& sink_;
  Options options_;
  // The package of the offer being tried (the delta or the full one).
  OfferedPackage fetching_;
  PackageAddress address_;
  // The source downloading or downloaded: 0 the package's address, n its
  // n-th mirror.
  size_t source_ = 0;
  bool restarted_ = false;
  double progressBase_ = 0;
  double progressShown_ = 0;
  std::wstring package_;
  // The package from the download (or the hold) to the end of the
  // installation, and its hash as the download wrote it.
  UniqueHandle held_;
  PackageDigest digest_;
  std::unique_ptr<SevenZip::SevenZipExtractor> extractor_;
  std::vector<std::wstring> items_;
  std::set<std::wstring> untrusted_;
  std::unique_ptr<SetAsideList> setAside_;
  UpdateJournal journal_;
  UpdateJournal::Record record_;
  PendingList pending_;
};

// Opens the package file `name` in `installation` the way the session holds
// it from the signature check to the end of the installation: for reading,
// shared for reading only, so that nobody may write, rename or delete it
// meanwhile (a file someone still has open for writing fails to open), and
// only when it is the launcher's own (IsTrustedObject, kind Refused).
Status HoldPackage(const Installation& installation, const std::wstring& name, UniqueHandle& held);

// Installs the package file `name` lying in `installation` (the session's
// steps after the check; UpdateSession::InstallPackageFile). What the
// start-up repair's tests and the kill tests run; `watcher` may be null.
Status InstallPackage(const Installation& installation, const std::wstring& name, InstallWatcher* watcher = nullptr);

}  // namespace Launcher
