#pragma once

#include <string>
#include <vector>

#include "base/Status.h"
#include "launcher/fs/Installation.h"

namespace Launcher {

// What the elevated launcher does at start, before it starts the product or
// changes anything else, so that no other account can add, change or delete
// anything in the installation directory, and what it found. The product's
// loader looks in that directory first, so a file another account made or may
// change there would run with the launcher's rights.
//
// The rule (Make):
// 1. A directory that is trusted (Installation::DirectoryTrusted) is left as
//    it is: AdministratorOnly.
// 2. One that grants more, but is a volume root or a folder of the system or
//    of the profile (IsSystemOrProfileFolder), is left as it is too:
//    SystemFolder. Its security is shared with everything else kept there.
// 3. Any other one gets the protected admin-only DACL (Installation::Secure):
//    Secured, or NotSecured when that failed.
// 4. Every entry of the directory that is not trusted (Installation::Examine:
//    Untrusted or Elsewhere), the launcher's own running executable aside, is
//    moved whole into the admin-only folder kMovedAsideDirectory (made when
//    missing) when the directory is AdministratorOnly or Secured; never
//    deleted. What cannot be moved (a link, which is never moved; an object
//    held open without delete sharing), and every such entry of a
//    SystemFolder or NotSecured directory, stays where it is and is listed
//    in Stayed(): the product is then not started.
//
// Only the top level of the directory is looked at: a directory in it that
// another account made or may change is moved aside whole, and below a
// trusted one only administrators can add anything (after Secure the system
// passes the admin-only entries on to it).
// Main thread, once per run, before the repair and the start-up pass.
class InstallationClaim {
 public:
  enum class Directory { AdministratorOnly, Secured, SystemFolder, NotSecured };

  // Runs the rule on `installation`. `launcherFileName` is the running
  // launcher's own executable (LauncherFileName()), which is left where it
  // is whoever made it: it is running already and the product loads no
  // executable from its directory by name.
  static InstallationClaim Make(const Installation& installation, const std::wstring& launcherFileName);

  Directory directory() const { return directory_; }
  // Relative paths of what went into the folder of moved-aside objects.
  const std::vector<std::wstring>& MovedAside() const { return moved_; }
  // Names of untrusted entries left in the directory.
  const std::vector<std::wstring>& Stayed() const { return stayed_; }
  // The first step that failed (securing, listing, making the folder or a
  // move); Ok when none did.
  const Status& Failure() const { return failure_; }
  // Whether nothing another account made or may change lies in the
  // directory and nobody but administrators can add anything there, or it
  // is a system folder with nothing untrusted in it.
  bool ProductMayStart() const { return directory_ != Directory::NotSecured && stayed_.empty() && listed_; }

 private:
  InstallationClaim() = default;
  void Note(Status failed);

  Directory directory_ = Directory::NotSecured;
  std::vector<std::wstring> moved_;
  std::vector<std::wstring> stayed_;
  bool listed_ = false;
  Status failure_;
};

}  // namespace Launcher
