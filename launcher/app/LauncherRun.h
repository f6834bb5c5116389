#pragma once

// launcher/app/: the program's top layer: the entry point (Main.cpp, with the
// resources and the manifest), the single-instance start (SingletonExe), the
// road a run takes (UpdateDriver) and the run itself (below), the only code
// that knows both the update and the windows.

#include <windows.h>

#include <memory>

#include "launcher/fs/Installation.h"
#include "launcher/service/ProductLauncher.h"
#include "launcher/service/VersionReply.h"

namespace Launcher {

// Everything here runs on the main thread.

// Gives the toolkit the program's instance, initialises COM for the calling (main) thread and hands the toolkit the
// skin package: resource "ZIPRES" 101 of `instance`, copied into a buffer that
// is never freed. A missing or empty resource sets nothing. False only when
// COM cannot be initialised; the run then ends without showing anything.
// RunLauncher calls it only on the roads that may open a window.
bool PrepareToolkit(HINSTANCE instance);

// The update road: shows the update window for the reply's release notes,
// whose update (WindowUpdate) installs the reply's offer (OfferOf, a delta
// for `installedVersion` when the reply has one) into `installation`,
// and runs the message loop until the window is gone; the installed update
// starts the product only when `hold` is None (no installed file waits to
// go back under its name, nothing of another account's beside it). Main
// thread, after PrepareToolkit.
void RunUpdateWindow(const VersionReply& reply, const std::wstring& installedVersion,
                     std::shared_ptr<const Installation> installation, ProductHold hold);

// The launcher's whole run on the main thread; returns the exit code (0).
int RunLauncher(HINSTANCE instance);

}  // namespace Launcher
