#pragma once

// launcher/update/: one update and what makes it undoable. The worker (below)
// downloads, checks the maker's signature (PackageSignature), sets aside the
// files the package replaces (SetAsideList), unpacks it and, on failure,
// rolls back (RollBack); the update record (UpdateJournal), the list of what
// is left for the next start ("temp": PendingDeletionFile, PendingEntry) and
// the download record (DownloadRecord) are on the disk before each step, and
// the start-up repair (UpdateRepair) finishes or undoes what a killed
// launcher left. Built on launcher/fs/, launcher/net/ and launcher/extract/;
// of the windows it knows only the message numbers it posts
// (UpdateMessages).

#include <windows.h>

#include <string>

#include "base/Status.h"
#include "base/UniqueHandle.h"
#include "launcher/fs/FileNames.h"
#include "launcher/fs/Installation.h"
#include "launcher/net/PackageDownload.h"
#include "launcher/update/InstallWatcher.h"
#include "launcher/update/PackageSignature.h"

namespace Launcher {

// One update, on a thread of its own: downloads the package named by
// `packageUrl` into the launcher directory, sets aside the installed files the
// package replaces, unpacks the package over the installation, deletes the
// package and the set-aside files.
//
// Reports through messages posted to `window` (launcher/update/UpdateMessages.h):
// WM_UPDATE_PROGRESS during the download, then exactly one final message; a
// failure also leaves one line with its cause (Status::ToString, after
// "update failed: ") on the standard error stream. The
// worker owns copies of its inputs and shares nothing else; it is never
// joined. After any failure the installation holds exactly its old files.
// The package file is deleted once the installation ended, whatever its
// outcome; until then (and when it cannot be deleted) the download record
// names it, so that a later start takes it up or removes it.
//
// `offeredVersion` and `signatureText` are the version reply's LatestVersion
// and Signature: a program built with the maker's key installs the package
// only when the signature proves it (PackageSignature::BuiltIn); without a
// key they are not looked at.
void UpdateWorker(std::wstring packageUrl, std::wstring offeredVersion, std::wstring signatureText, HWND window);

// UpdateWorker for the installation in `launcherDirectory` (which ends in a
// backslash) instead of the launcher's own directory, with the built-in key
// and no signature offered (so a program built with a key fails every
// update). A directory that is no full path (IsFullDirectory; empty when the
// launcher's own path could not be read whole) fails the download before
// anything is written.
void RunUpdate(std::wstring launcherDirectory, std::wstring packageUrl, HWND window);

// RunUpdate with the package's proof: when `signature` is Required(), the
// downloaded package is checked before anything is set aside. A package that
// fails the check is deleted and reported as a failed download
// (WM_UPDATE_DOWNLOAD_FAILED); no installed file is touched and no update
// record is written. One that passes stays open for reading only until the
// installation ended, so that what is unpacked is what was checked.
// `timings` are the download's time-outs and back-off (the shipped values by
// default; tests shorten them).
void RunCheckedUpdate(std::wstring launcherDirectory, std::wstring packageUrl, HWND window, PackageSignature signature,
                      DownloadTimings timings = DownloadTimings());

// Opens the package file `name` in `installation` the way the worker holds
// it from the signature check to the end of the installation: for reading,
// shared for reading only, so that nobody may write, rename or delete it
// meanwhile (a file someone still has open for writing fails to open), and
// only when it is the launcher's own (IsTrustedObject). The gate's or the
// trust check's failure otherwise.
Status HoldPackage(const Installation& installation, const std::wstring& name, UniqueHandle& held);

// The package's file name: the last component of the address's path (after
// its last "/" or "\"), without query ("?...") or fragment ("#..."). For an
// address without "scheme://" the whole address is the path.
std::wstring PackageName(const std::wstring& packageUrl);

// Installs the downloaded `packageFile` into `launcherDirectory`. Ok when
// every item was written; the package file is deleted then. On failure (the
// step that failed: the refusing check and the item, or the call with the
// platform's or the extraction's code) the package file stays and every installed file is back under its own name:
// a package that cannot be opened, names a path outside the installation or
// the pending-deletion file, reaches an installed file through its short
// (8.3) name, has an item whose path leads through a link or a junction in
// the installation (ReachesThroughLink), would make a full path (an item's or a set-aside name's) of
// MAX_PATH characters or more, or fails half-way changes nothing. What a
// failed rollback could not undo is listed in the pending-deletion file:
// files the extraction made for deletion, set-aside files as restore entries,
// so that the next start finishes the rollback; a set-aside file that is not
// back is never deleted.
// A deletion marker of a 7z update archive sets the installed file aside like
// a replaced one; it is deleted with the others after success.
//
// Before the first file is moved the installation is recorded (UpdateJournal:
// the package, its items, the paths that do not exist yet, every planned
// set-aside name); when the record cannot be written, or a record of an
// update the last start could not finish is still there, nothing is touched
// and the result fails. The record says installed once every item is
// written and is removed at the end (kept when "temp" could not be written:
// it then still names the set-aside files for the next start), so that a process killed at any moment leaves
// what the next start's RepairInterruptedUpdate repairs. `watcher` (may be
// null) is told of each step as it passes. A `launcherDirectory` that is no
// full path (IsFullDirectory) changes nothing and fails.
Status InstallPackage(const std::wstring& launcherDirectory, const std::wstring& packageFile,
                      InstallWatcher* watcher = nullptr);

}  // namespace Launcher
