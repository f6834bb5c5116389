#pragma once

#include <windows.h>

#include <string>

#include "launcher/VersionReply.h"

class SingletonExe;

// The one road a launcher run takes after asking the version service.
enum class Road {
  ReportServiceFailure,  // message box "Get Data Failed!", the product is not started
  StartProduct,          // start the product without updating
  OpenUpdateWindow,      // download and install, then start the product
};

// The decision of a run, first match wins: a failed request reports the
// failure; a non-zero reply code starts the product whatever the versions; an
// update is needed (either version empty, or installed < offered) opens the
// update window; otherwise the product is started.
Road ChooseRoad(const VersionReply& reply, const std::wstring& installedVersion);

// Gives `guard` the driver's handlers (they write "has a exe running!" and
// "has other exe want to run" to standard output) and starts it under the
// launcher's single-instance name. Returns only in the first launcher.
void StartSingleInstanceGuard(SingletonExe& guard);

// The product's command line: "<dir>VxSpeedUp.exe" -show -oemid:169.
std::wstring ProductCommandLine(const std::wstring& launcherDirectory);

// Starts the product in `launcherDirectory` without waiting for it. A failure
// to start is not reported (the result says only whether a process was made).
bool LaunchProduct(const std::wstring& launcherDirectory);

// The installed product's "FileVersion", empty when the product or its entry
// is missing.
std::wstring InstalledVersion(const std::wstring& launcherDirectory);

// Gives the toolkit the program's instance, initialises COM for the calling (main) thread and hands the toolkit the
// skin package: resource "ZIPRES" 101 of `instance`, copied into a buffer that
// is never freed. A missing or empty resource sets nothing. False only when
// COM cannot be initialised; the run then ends without showing anything.
// RunLauncher calls it only on the roads that may open a window.
bool PrepareToolkit(HINSTANCE instance);

// The update road: shows the update window for the reply's release notes,
// download address, offered version and signature (the window starts the
// update worker) and runs the message loop until the window is gone. Main
// thread, after PrepareToolkit.
void RunUpdateWindow(const VersionReply& reply);

// The launcher's whole run on the main thread; returns the exit code (0).
int RunLauncher(HINSTANCE instance);
