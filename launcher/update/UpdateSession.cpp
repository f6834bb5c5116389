#include "launcher/update/UpdateSession.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "launcher/fs/FileAuthority.h"
#include "launcher/fs/FileNames.h"
#include "launcher/fs/LauncherDirectory.h"
#include "launcher/fs/SafePath.h"
#include "launcher/update/DownloadRecord.h"
#include "launcher/update/PackageSignature.h"
#include "launcher/update/RollBack.h"
#include "launcher/update/UpdateRepair.h"
#include "launcher/update/VersionFloor.h"

namespace Launcher {

namespace {

using Standing = Installation::Standing;

// The one line the session leaves about a failed update: the product keeps
// no log file, so the cause goes to the standard error stream.
void ReportFailure(const char* what, const Status& status) {
  std::fprintf(stderr, "%s: %s\n", what, status.ToString().c_str());
  std::fflush(stderr);
}

// Whether the package may be downloaded as `name` afresh: a plain name
// (IsPlainPackageName) under which nothing stands, nor is reached as a short
// alias, and which is not the set-aside name ("_" in front) of anything that
// exists: nothing is deleted or overwritten to make room for the package, and
// the update may need that set-aside name while the package is there.
bool IsUsablePackageName(const Installation& installation, const std::wstring& name) {
  if (!IsPlainPackageName(name, LauncherFileName()) || installation.Examine(name).Exists()) return false;
  const size_t underscores = name.find_first_not_of(L'_');
  return underscores == 0 || underscores == std::wstring::npos ||
         !installation.Examine(name.substr(underscores)).Exists();
}

// The paths `created` (full paths, as the extraction reports them) that lie
// in the installation, relative to it, in their order.
std::vector<std::wstring> InsideInstallation(const Installation& installation,
                                             const std::vector<std::wstring>& created) {
  const std::wstring& directory = installation.Directory();
  std::vector<std::wstring> relative;
  for (const std::wstring& path : created) {
    if (path.compare(0, directory.size(), directory) == 0) relative.push_back(path.substr(directory.size()));
  }
  return relative;
}

// Refuses, before anything is touched, a package whose item names could
// reach outside what the update may change; names the check that refused and
// the item. Gives an unnamed item its extraction name, and collects the
// directories on the way that another account made or may change.
//
// A name that leaves the installation must not even be set aside: that alone
// would move files outside it. An item without a name (a bare lzma stream)
// is written under the extraction's own name for it. The pending-deletion
// file and the update record are the launcher's: a package writing them could
// have the next start delete anything. A full path of MAX_PATH characters or
// more cannot be written on every system, nor removed by the rollback.
Status RefuseUnsafeItems(const Installation& installation, std::vector<std::wstring>& items,
                         std::set<std::wstring>& untrustedDirectories) {
  std::set<std::wstring> examined;
  for (std::wstring& item : items) {
    if (item.empty()) item = SevenZip::kUnnamedItemPath;
    if (!IsSafeItemPath(item)) return Status::Failed(Status::Kind::Refused, "IsSafeItemPath", item);
    if (IsLauncherOwnName(item)) return Status::Failed(Status::Kind::Refused, "IsLauncherOwnName", item);
    if (installation.Directory().size() + item.size() >= MAX_PATH) {
      return Status::Failed(Status::Kind::Refused, "MAX_PATH", item);
    }
    // Each existing directory on the way is examined once per update, the
    // item itself as well: a link or a short alias (bin -> a system folder)
    // would have the update set aside, write and delete files wherever it
    // points, and a directory another account made or may change is not
    // written into: it is set aside like a replaced file, and the update
    // makes its own.
    const std::vector<std::wstring> keys = KeysWithParents(item);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
      if (!examined.insert(*key).second || IsAtOrBelowAny(*key, untrustedDirectories)) continue;
      const Installation::Examined found = installation.Examine(*key);
      if (found.standing == Standing::Elsewhere) {
        return Status::Failed(Status::Kind::LeadsElsewhere, "ReachesThroughLink", item);
      }
      if (found.standing == Standing::Untrusted && found.directory) untrustedDirectories.insert(*key);
    }
  }
  return Status::Ok();
}

// The items to set aside, in package order: untrusted directories first,
// outermost first (what lies below one moves with it), then every item but a
// directory the package merely names: moving that aside would take every
// installed file in it that the package does not carry. A directory's
// deletion marker says it is gone, with whatever is in it.
std::vector<std::wstring> SetAsideCandidates(const Installation& installation, const std::vector<std::wstring>& items,
                                             const std::vector<bool>& directories, const std::vector<bool>& markers,
                                             const std::set<std::wstring>& untrustedDirectories) {
  std::vector<std::wstring> candidates(untrustedDirectories.begin(), untrustedDirectories.end());
  for (size_t i = 0; i < items.size(); ++i) {
    const bool marker = i < markers.size() && markers[i];
    if (i < directories.size() && directories[i] && !marker && installation.Examine(items[i]).directory) continue;
    candidates.push_back(items[i]);
  }
  return candidates;
}

}  // namespace

Status CheckOffer(const std::wstring& version, const OfferedPackage& offer) {
  if (offer.signature.empty()) return Status::Refused("PackageSignature", L"no signature offered");
  if (offer.signature.size() > PackageSignature::kMaxTextSize) {
    return Status::Refused("PackageSignature", L"the signature text is longer than 4096 characters");
  }
  if (offer.address.size() > kMaxOfferedAddress) {
    return Status::Refused("CheckOffer",
                           L"the address is longer than " + std::to_wstring(kMaxOfferedAddress) + L" characters");
  }
  const bool longMirror = std::any_of(offer.mirrors.begin(), offer.mirrors.end(),
                                      [](const std::wstring& mirror) { return mirror.size() > kMaxOfferedAddress; });
  if (offer.mirrors.size() > kMaxOfferedMirrors || longMirror) {
    return Status::Refused("CheckOffer", L"more than " + std::to_wstring(kMaxOfferedMirrors) +
                                             L" mirrors, or one longer than an address may be");
  }
  if (version.empty() || version.size() > kMaxOfferedVersion) {
    return Status::Refused(
        "CheckOffer", L"the version is empty or longer than " + std::to_wstring(kMaxOfferedVersion) + L" characters");
  }
  return Status::Ok();
}

// The download's listener: progress to the sink, and the download record kept up to date as the download goes. The
// bytes are flushed before the record says they are there, so that a later start never resumes after bytes a lost power
// took.
class UpdateSession::DownloadProgress final : public DownloadListener {
 public:
  DownloadProgress(UpdateSession& session, HANDLE file, DownloadRecord::Entry entry)
      : session_(session), file_(file), entry_(std::move(entry)) {}

  void OnProgress(std::uint64_t received, std::uint64_t total) override { session_.ReportProgress(received, total); }
  void OnWritten(std::uint64_t offset, const unsigned char* bytes, std::uint32_t size) override {
    session_.digest_.Take(file_, offset, bytes, size);
  }
  void OnCheckpoint(const ResumeState& state) override {
    // Unflushed bytes must not be named: the older record still holds.
    if (!::FlushFileBuffers(file_)) return;
    // Bytes of a mirror keep that mirror's validator: whichever source
    // continues them at the next start is asked by their size alone
    // (DownloadFromSources).
    entry_.resume = state;
    // A record not written leaves the older one, which names fewer bytes.
    static_cast<void>(DownloadRecord(session_.installation_).Write(entry_));
  }

 private:
  UpdateSession& session_;
  HANDLE file_;
  DownloadRecord::Entry entry_;
};

Status HoldPackage(const Installation& installation, const std::wstring& name, UniqueHandle& held) {
  if (Status opened = installation.Open(name, GENERIC_READ | READ_CONTROL, held, FILE_SHARE_READ); !opened.ok()) {
    return opened;
  }
  if (IsTrustedObject(held.Get())) return Status::Ok();
  held.Reset();
  return Status::Failed(Status::Kind::Refused, "IsTrustedObject", installation.PathOf(name));
}

UpdateSession::Options UpdateSession::ShippedOptions() {
  Options options;
  options.publicKey = PackageSignature::BuiltInKey();
  return options;
}

UpdateSession::UpdateSession(const Installation& installation, UpdateOffer offer, UpdateSink& sink, Options options)
    : installation_(installation),
      offer_(std::move(offer)),
      sink_(sink),
      options_(std::move(options)),
      journal_(installation),
      pending_(installation) {}

UpdateSession::~UpdateSession() = default;

void UpdateSession::Run() {
  UpdateEnd end = UpdateEnd::DownloadFailed;
  const OfferedPackage* delta = DeltaForTheInstalledVersion();
  Status status = delta ? TryPackage(*delta, end) : Status::Ok();
  if (delta && !status.ok()) {
    // The installation is as it was (or the next start rolls it back, and
    // the full package's plan refuses to begin meanwhile): whatever failed,
    // the full package may still serve.
    ReportFailure("delta failed, the full package follows", status);
    ContinueProgressFromHere();
  }
  if (!delta || !status.ok()) {
    status = TryPackage(offer_.package, end);
    if (!status.ok()) ReportFailure("update failed", status);
  }
  sink_.OnFinished(end, status);
}

const OfferedPackage* UpdateSession::DeltaForTheInstalledVersion() const {
  // Exactly the installed version: a delta is made from one set of files,
  // and "1.0.0.9" and "1.0.0.09" need not name the same.
  if (offer_.installedVersion.empty()) return nullptr;
  for (const OfferedPackage& delta : offer_.deltas) {
    if (delta.from == offer_.installedVersion) return &delta;
  }
  return nullptr;
}

Status UpdateSession::TryPackage(const OfferedPackage& package, UpdateEnd& end) {
  Begin(package);
  end = UpdateEnd::DownloadFailed;
  Status status = Download();
  if (!status.ok()) return status;
  status = Check();
  if (status.Is(Status::Kind::Refused) && std::string(status.call()) == "PackageSignature" &&
      StartOverFromTheNextSource()) {
    status = Download();
    if (status.ok()) status = Check();
  }
  if (status.ok()) {
    status = Install();
    end = status.ok() ? UpdateEnd::Installed : UpdateEnd::InstallFailed;
  }
  // An installed package went with the set-aside files; one the check
  // refused, or whose installation failed, goes now.
  if (!status.ok()) DeletePackage();
  return status;
}

void UpdateSession::Begin(const OfferedPackage& package) {
  fetching_ = package;
  address_ = PackageAddress();
  source_ = 0;
  restarted_ = false;
  package_.clear();
  held_.Reset();
  digest_ = PackageDigest();
  extractor_ = std::make_unique<SevenZip::SevenZipExtractor>();
  items_.clear();
  untrusted_.clear();
  setAside_.reset();
  record_ = UpdateJournal::Record();
}

void UpdateSession::ReportProgress(std::uint64_t received, std::uint64_t total) {
  if (total == 0) {
    sink_.OnProgress(received, 0);
    return;
  }
  const double share =
      progressBase_ + (1 - progressBase_) * std::min(1.0, static_cast<double>(received) / static_cast<double>(total));
  progressShown_ = std::max(progressShown_, share);
  sink_.OnProgress(static_cast<std::uint64_t>(progressShown_ * static_cast<double>(total)), total);
}

void UpdateSession::ContinueProgressFromHere() {
  progressBase_ = progressShown_;
}

Status UpdateSession::InstallPackageFile(const std::wstring& name) {
  Begin(OfferedPackage());
  package_ = name;
  if (!installation_.Valid()) return Status::Failed("Installation", installation_.Directory());
  if (Status held = HoldPackage(installation_, package_, held_); !held.ok()) return held;
  return Install();
}

// --- Download ---------------------------------------------------------------

Status UpdateSession::Download() {
  // Checked before anything is created: only a signed offer of a web
  // address within the bounds of the records is fetched, so that nothing is
  // downloaded that could never be installed, and every record written can
  // be read back.
  if (Status bounded = CheckOffer(offer_.version, fetching_); !bounded.ok()) return bounded;
  if (Status parsed = PackageAddress::Parse(fetching_.address, address_); !parsed.ok()) return parsed;
  package_ = address_.FileName();
  if (!installation_.Valid()) return Status::Failed("IsFullDirectory", installation_.Directory());
  UniqueHandle file;
  DownloadRecord::Entry entry{fetching_.address, offer_.version, package_, ResumeState()};
  TakeUpEarlierDownload(file, entry.resume);
  if (!file) {
    if (Status made = CreatePackageFile(file); !made.ok()) return made;
  }
  // Named before the first byte arrives, so that a later start finds the
  // partial file whenever this one ends.
  Status downloaded = DownloadRecord(installation_).Write(entry);
  if (downloaded.ok()) downloaded = DownloadFromSources(file.Get(), entry);
  // The file stays open, shared with nobody, until the installation ended:
  // between the last byte and the unpacking nobody may change what the
  // hash taken as the bytes arrived says it is.
  if (downloaded.ok()) held_ = std::move(file);
  file.Reset();
  // The download forgets what is on disk whenever it is no longer worth
  // continuing (no package, a refusal for good); a server that failed every
  // retry keeps it, like a cut. A whole package stays named by the record
  // until the session deleted it: a start after a kill at any later point
  // finds it as the launcher's own, where an unnamed file under the name
  // would refuse every later download of that package.
  const bool resumable = entry.resume.onDisk > 0 && entry.resume.validatorKind != ResumeState::Validator::None;
  if (!downloaded.ok() && !resumable) DeletePackage();
  return downloaded;
}

Status UpdateSession::DownloadFromSources(HANDLE file, DownloadRecord::Entry& entry) {
  DownloadProgress progress(*this, file, entry);
  DownloadBounds bounds;
  bounds.announcedSize = fetching_.size;
  Status downloaded;
  // Each source with its own retries: one that fails for whatever reason
  // (refused, cut beyond its retries, stalled, no package) hands over to the
  // next, in the maker's order.
  for (; source_ <= fetching_.mirrors.size(); ++source_) {
    const std::wstring& text = source_ == 0 ? fetching_.address : fetching_.mirrors[source_ - 1];
    PackageAddress address;
    if (Status parsed = PackageAddress::Parse(text, address); !parsed.ok()) {
      downloaded = std::move(parsed);
      continue;
    }
    if (entry.resume.onDisk > 0 && entry.resume.address != text) {
      // Bytes another source sent: only the size ties them to this one's.
      entry.resume.address = text;
      entry.resume.validatorKind = ResumeState::Validator::SizeOnly;
      entry.resume.validator.clear();
    }
    downloaded =
        DownloadPackage(address, file, installation_.Directory(), entry.resume, progress, options_.timings, bounds);
    if (downloaded.ok()) break;
  }
  return downloaded;
}

bool UpdateSession::StartOverFromTheNextSource() {
  // Once per run: bytes spliced from two sources, or a source that serves
  // another file, fail the check; the next source sends the package whole.
  if (restarted_ || source_ >= fetching_.mirrors.size()) return false;
  restarted_ = true;
  DeletePackage();
  ++source_;
  ContinueProgressFromHere();
  return true;
}

void UpdateSession::TakeUpEarlierDownload(UniqueHandle& file, ResumeState& resume) {
  DownloadRecord::Entry earlier;
  if (!DownloadRecord(installation_).Read(earlier)) return;
  // Only the very same offer continues; a partial file of another offer goes.
  const bool same = earlier.address == fetching_.address && earlier.version == offer_.version &&
                    SameFileName(earlier.package, package_);
  if (same && installation_.Examine(package_).standing == Standing::Trusted &&
      installation_.Open(package_, GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL, file, 0).ok()) {
    resume = earlier.resume;
    return;
  }
  if (installation_.Examine(earlier.package).standing == Standing::Trusted) {
    // A partial file that stays is refused by name below, and goes at the
    // next start.
    static_cast<void>(installation_.Remove(earlier.package));
  }
}

Status UpdateSession::CreatePackageFile(UniqueHandle& file) {
  // A file under the name that is not the launcher's own partial download is
  // never taken.
  if (!IsUsablePackageName(installation_, package_)) {
    // A record naming the refused name is another offer's; it goes.
    static_cast<void>(DownloadRecord(installation_).Remove());
    return Status::Failed(Status::Kind::Refused, "IsUsablePackageName", installation_.PathOf(package_));
  }
  return installation_.CreateFile(package_, GENERIC_READ | GENERIC_WRITE | READ_CONTROL, 0, 0, file);
}

void UpdateSession::DeletePackage() {
  held_.Reset();
  // The package first, then the record that names it: a kill in between
  // leaves a package the next start knows as its own. A package that stays
  // keeps its record, so that the next start removes it.
  if (package_.empty() || !installation_.Remove(package_).ok()) return;
  Reach(InstallStep::PackageDeleted);
  static_cast<void>(DownloadRecord(installation_).Remove());
}

// --- Check --------------------------------------------------------------------

Status UpdateSession::Check() {
  // Held, shared for reading only, until the installation ended: between the
  // check and the unpacking nobody may write the file nor rename another
  // into its place. The maker's signature comes before anything is set
  // aside: whoever answers the version request names the package, so only a
  // package the maker signed for this very version may be unpacked.
  if (!held_) {
    if (Status held = HoldPackage(installation_, package_, held_); !held.ok()) return held;
  } else if (!IsTrustedObject(held_.Get())) {
    return Status::Failed(Status::Kind::Refused, "IsTrustedObject", installation_.PathOf(package_));
  }
  return PackageSignature(options_.publicKey, fetching_.signature, offer_.version, fetching_.from)
      .Check(held_.Get(), &digest_);
}

// --- Install ------------------------------------------------------------------

Status UpdateSession::Install() {
  if (Status planned = Plan(); !planned.ok()) return planned;
  if (Status moved = SetAside(); !moved.ok()) return Fail(std::move(moved));
  if (Status unpacked = Unpack(); !unpacked.ok()) return Fail(std::move(unpacked));
  if (Status committed = Commit(); !committed.ok()) return Fail(std::move(committed));
  Discard();
  return Status::Ok();
}

Status UpdateSession::Plan() {
  extractor_->SetPath(installation_.PathOf(package_));
  extractor_->SetFile(held_.Get());
  extractor_->SetDurability(SevenZip::SevenZipExtractor::Durability::OnTheMedium);
  items_ = extractor_->ItemNames();
  const std::vector<bool> directories = extractor_->ItemDirectoryFlags();
  const std::vector<bool> markers = extractor_->ItemDeletionMarkers();
  if (Status refused = RefuseUnsafeItems(installation_, items_, untrusted_); !refused.ok()) return refused;
  setAside_ = std::make_unique<SetAsideList>(installation_, items_);
  // The record of an update the last start could not finish is the only
  // place that names its set-aside files: it is not replaced.
  UpdateJournal::Record unfinished;
  if (journal_.Read(unfinished) == UpdateJournal::ReadResult::Read) {
    return Status::Failed("UpdateJournal::Read", installation_.PathOf(kUpdateJournalFile));
  }
  record_ = UpdateJournal::Record();
  record_.package = package_;
  record_.items = items_;
  // An untrusted directory goes aside whole: what the package puts there is
  // new, in a directory the update makes.
  record_.created = MissingPaths(installation_, items_, untrusted_);
  record_.setAside = setAside_->Plan(SetAsideCandidates(installation_, items_, directories, markers, untrusted_));
  for (const SetAsideList::Entry& planned : record_.setAside) {
    if (installation_.Directory().size() + planned.setAsideName.size() >= MAX_PATH) {
      return Status::Failed(Status::Kind::Refused, "MAX_PATH", planned.setAsideName);
    }
  }
  // Everything the update is about to do is on the disk before the first
  // move, so that a killed launcher leaves nothing the next start cannot undo.
  if (Status written = journal_.Write(record_); !written.ok()) return written;
  Reach(InstallStep::Recorded);
  return Status::Ok();
}

Status UpdateSession::SetAside() {
  for (const SetAsideList::Entry& planned : record_.setAside) {
    if (Status moved = setAside_->SetAside(planned); !moved.ok()) return moved;
    Reach(InstallStep::SetAside);
  }
  return Status::Ok();
}

Status UpdateSession::Unpack() {
  // The old files are kept until every new one is in place: a failure here
  // must leave the user with the product they had.
  Reach(InstallStep::Extracting);
  if (Status extracted = extractor_->ExtractInto(installation_); !extracted.ok()) return extracted;
  Reach(InstallStep::Extracted);
  return Status::Ok();
}

Status UpdateSession::Commit() {
  // Deleting the old files is safe only once the record no longer asks the
  // next start to put them back.
  record_.state = UpdateJournal::State::Installed;
  if (Status written = journal_.Write(record_); !written.ok()) return written;
  // Raised once installed: a later offer of an older version is refused
  // even when the product's own version cannot be read. A floor not written
  // keeps the older one; the update is installed either way.
  if (!offer_.version.empty()) static_cast<void>(VersionFloor(installation_).Write(offer_.version));
  Reach(InstallStep::Committed);
  return Status::Ok();
}

void UpdateSession::Discard() {
  FinishInstalled(installation_, record_, pending_);
  const bool listed = pending_.Save().ok();
  Reach(InstallStep::Discarded);
  DeletePackage();
  Reach(InstallStep::Finished);
  // Installed either way; a set-aside file that "temp" could not take is
  // still named by the record, which the next start finishes.
  if (listed) static_cast<void>(journal_.Remove());
}

Status UpdateSession::Fail(Status cause) {
  // This run knows exactly what it did, the moves that succeeded and the
  // paths the extraction created, and undoes only that; a later start knows
  // only the plan.
  UpdateJournal::Record done = record_;
  done.created = InsideInstallation(installation_, extractor_->CreatedPaths());
  done.setAside = setAside_->Entries();
  RollBack(installation_, done, RecordKind::Done, pending_);
  const bool listed = pending_.Save().ok();
  Reach(InstallStep::RolledBack);
  // Only now: what could not be put back is listed in "temp". When it could
  // not be, the record stays and the next start rolls back from it.
  if (listed) static_cast<void>(journal_.Remove());
  return cause;
}

void UpdateSession::Reach(InstallStep step) {
  if (options_.watcher) options_.watcher->Reached(step);
}

Status InstallPackage(const Installation& installation, const std::wstring& name, InstallWatcher* watcher) {
  // Nothing is downloaded: the sink hears nothing.
  class Silent final : public UpdateSink {
   public:
    void OnProgress(std::uint64_t, std::uint64_t) override {}
    void OnFinished(UpdateEnd, const Status&) override {}
  } silent;
  UpdateSession::Options options;
  options.watcher = watcher;
  UpdateSession session(installation, UpdateOffer(), silent, std::move(options));
  return session.InstallPackageFile(name);
}

}  // namespace Launcher
