#pragma once

#include <windows.h>

#include "launcher/VersionReply.h"

namespace Launcher {

// The program's top layer: the only one that knows both the update flow and
// the launcher's windows (launcher/ui). Main thread only.

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

}  // namespace Launcher
