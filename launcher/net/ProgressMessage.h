#pragma once

#include <windows.h>

namespace Launcher {

// Posted to the update window for every progress report of the package
// download: wParam = bytes received so far, lParam = bytes expected in all
// (0 as long as no total is known), both exactly as the download service
// reported them.
constexpr UINT WM_UPDATE_PROGRESS = 0xFFF0;

}  // namespace Launcher
