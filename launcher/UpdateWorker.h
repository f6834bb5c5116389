#pragma once

#include <windows.h>

#include <string>

// One update, on a thread of its own: downloads the package named by
// `packageUrl` into the launcher directory, sets aside the installed files the
// package replaces, unpacks the package over the installation, deletes the
// package and the set-aside files.
//
// Reports only through messages posted to `window` (launcher/UpdateMessages.h):
// WM_UPDATE_PROGRESS during the download, then exactly one final message. The
// worker owns copies of its inputs and shares nothing else; it is never
// joined. After any failure the installation holds exactly its old files; the
// package file stays after a failed installation.
void UpdateWorker(std::wstring packageUrl, HWND window);

// UpdateWorker for the installation in `launcherDirectory` (which ends in a
// backslash) instead of the launcher's own directory.
void RunUpdate(std::wstring launcherDirectory, std::wstring packageUrl, HWND window);

// The package's file name: the part of `packageUrl` after its last "/" or "\"
// (the whole address when it has neither).
std::wstring PackageName(const std::wstring& packageUrl);

// Installs the downloaded `packageFile` into `launcherDirectory`. True when
// every item was written; the package file is deleted then. On false the
// package file stays and every installed file is back under its own name:
// a package that cannot be opened, names a path outside the installation, or
// fails half-way changes nothing.
bool InstallPackage(const std::wstring& launcherDirectory, const std::wstring& packageFile);
