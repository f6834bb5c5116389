#pragma once

#include <string>

#include "launcher/fs/FileNames.h"
#include "launcher/fs/Installation.h"

namespace Launcher {

// The product the launcher updates and starts, and how it is started. Knows
// nothing of windows: both the start-up road and the update window use it.

// The maker's number for this build, passed to the product and the home page.
inline constexpr int kProductOemId = 169;

// The product's command line: "<dir>VxSpeedUp.exe" -show -oemid:169.
std::wstring ProductCommandLine(const std::wstring& launcherDirectory);

// Whether the product executable is trusted (launcher/fs/FileAuthority.h):
// a plain file only administrators can have written. The launcher runs
// elevated and its product inherits that; an executable another account put
// there or may change is never started, and its version is never read.
bool IsTrustedProduct(const Installation& installation);

// Starts the product of `installation` without waiting for it, only when it
// is trusted (held meanwhile so that it cannot be replaced). Fails, with the
// step that failed, when no process was made; the process itself is not
// watched.
Status LaunchProduct(const Installation& installation);

// What keeps this run from starting the product, found before the road is
// chosen.
enum class ProductHold {
  None,
  // An installed file is still waiting to go back under its name (the
  // start-up pass could not put it back), and the product would load
  // whatever stands there.
  RestoreWaits,
  // Something another account made or may change lies in the product's
  // directory and could not be moved aside, or the directory could not be
  // made the maker's (InstallationClaim): the product would load it.
  OthersFilesBeside,
};

// LaunchProduct when `hold` is None; otherwise the product is not started and
// one line on the standard error stream says why. A product that does not
// start is not reported: the user sees that it did not.
void LaunchProductUnlessHeld(const Installation& installation, ProductHold hold);

// The product's home page: "http://" + home-page host + "/?oemid=" + the
// OEM identifier.
std::wstring ProductHomePage();

// Opens the product's home page in the user's browser (the shell's "open"),
// not waiting for it; a browser that does not open is not reported. An
// elevated launcher opens it as the signed-in user (OpenAsSignedInUser), or
// not at all: never in a browser that runs as administrator.
void OpenProductHomePage();

// The installed product's "FileVersion", empty when the product or its entry
// is missing, or the product is not trusted (IsTrustedProduct).
std::wstring InstalledVersion(const Installation& installation);

}  // namespace Launcher
