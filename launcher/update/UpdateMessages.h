#pragma once

#include <windows.h>

#include "launcher/net/ProgressMessage.h"

namespace Launcher {

// The messages the update worker posts to the update window. Each worker run
// posts exactly one of the three final messages, after all its progress
// messages (WM_UPDATE_PROGRESS). wParam and lParam of the final messages are 0.
constexpr UINT WM_UPDATE_DOWNLOAD_FAILED = 0xFFE0;  // the package could not be downloaded
constexpr UINT WM_UPDATE_INSTALL_FAILED = 0xFFE1;   // setting aside or extraction failed; old files are back
constexpr UINT WM_UPDATE_INSTALL_DONE = 0xFFE2;     // the package was extracted and deleted

}  // namespace Launcher
