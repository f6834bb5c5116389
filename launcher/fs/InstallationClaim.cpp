#include "launcher/fs/InstallationClaim.h"

#include "launcher/fs/FileNames.h"
#include "launcher/fs/SystemFolders.h"

namespace Launcher {

namespace {

// Names tried for the folder of moved-aside objects: another account may
// have taken the first ones while the directory still let it.
constexpr int kAsideFolderNames = 16;

std::wstring AsideFolderName(int n) {
  return n == 0 ? std::wstring(kMovedAsideDirectory) : kMovedAsideDirectory + (L"." + std::to_wstring(n));
}

// The trusted folder to move into, made when missing; empty when none could
// be had (the failure in `failure`).
std::wstring AsideFolder(const Installation& installation, Status& failure) {
  Status last = Status::Failed("CreateDirectoryW", installation.PathOf(kMovedAsideDirectory), ERROR_ALREADY_EXISTS);
  for (int n = 0; n < kAsideFolderNames; ++n) {
    const std::wstring name = AsideFolderName(n);
    const Installation::Examined found = installation.Examine(name);
    if (found.standing == Installation::Standing::Trusted && found.directory) return name;
    if (found.standing != Installation::Standing::Missing) continue;
    Status made = installation.CreateDirectory(name);
    if (made.ok()) return name;
    last = std::move(made);
  }
  failure = std::move(last);
  return std::wstring();
}

}  // namespace

void InstallationClaim::Note(Status failed) {
  if (failure_.ok()) failure_ = std::move(failed);
}

InstallationClaim InstallationClaim::Make(const Installation& installation, const std::wstring& launcherFileName) {
  InstallationClaim claim;
  if (!installation.Valid()) {
    claim.Note(Status::Failed("Installation", installation.Directory()));
    return claim;
  }
  // Nearly every start ends the first question here: the directory is the
  // launcher's already, and the shell is never asked for its folders.
  if (installation.DirectoryTrusted()) {
    claim.directory_ = Directory::AdministratorOnly;
  } else if (IsSystemOrProfileFolder(installation.Directory())) {
    claim.directory_ = Directory::SystemFolder;
  } else if (Status secured = installation.Secure(); secured.ok()) {
    claim.directory_ = Directory::Secured;
  } else {
    claim.Note(std::move(secured));
  }
  const bool mayMove = claim.directory_ == Directory::AdministratorOnly || claim.directory_ == Directory::Secured;

  std::vector<std::wstring> names;
  if (Status listed = installation.ListDirectory(names); !listed.ok()) {
    claim.Note(std::move(listed));
    return claim;
  }
  claim.listed_ = true;
  std::wstring aside;
  bool soughtAside = false;
  for (const std::wstring& name : names) {
    if (!launcherFileName.empty() && SameFileName(name, launcherFileName)) continue;
    const Installation::Standing standing = installation.Examine(name).standing;
    if (standing == Installation::Standing::Trusted || standing == Installation::Standing::Missing) continue;
    // A link is never moved: renaming it might move what it leads to.
    if (!mayMove || standing == Installation::Standing::Elsewhere) {
      claim.stayed_.push_back(name);
      continue;
    }
    if (!soughtAside) {
      soughtAside = true;
      Status failure;
      aside = AsideFolder(installation, failure);
      if (!failure.ok()) claim.Note(std::move(failure));
    }
    std::wstring movedTo;
    Status moved = aside.empty() ? Status::Failed("InstallationClaim", installation.PathOf(name))
                                 : installation.MoveInto(name, aside, movedTo);
    if (moved.ok()) {
      claim.moved_.push_back(movedTo);
    } else {
      claim.Note(std::move(moved));
      claim.stayed_.push_back(name);
    }
  }
  return claim;
}

}  // namespace Launcher
