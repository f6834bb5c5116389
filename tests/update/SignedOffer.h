#pragma once

#include <string>

#include "launcher/update/UpdateOffer.h"
#include "launcher/update/UpdateSession.h"

// The offers the update tests make, signed as the maker signs: the package
// fixture (make-packages.sh) signs every package it makes with the build's
// development key for kTestVersion, beside it as NAME.minisig.

inline constexpr wchar_t kTestVersion[] = L"2.1.0.0";

// An offer of `url` as version kTestVersion with the signature of the
// package fixture's file named like the address's last path component
// (query and fragment left out); a package the fixture did not make is
// offered the release package's signature, which fails its check.
Launcher::UpdateOffer SignedOffer(const std::wstring& url);

// Session options that check with the tests' public key, the download's
// waits as `timings`.
Launcher::UpdateSession::Options TestOptions(const Launcher::DownloadTimings& timings = Launcher::DownloadTimings());
