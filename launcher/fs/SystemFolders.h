#pragma once

#include <string>

namespace Launcher {

// Folders the system or the user's profile owns: their security is the
// system's or the profile's, shared with everything else kept there, so the
// launcher never gives them a DACL of its own.
//
// Whether the full directory `directory` (ending in a separator or not) is a
// volume root, or one of these folders or a folder above one of them:
// Windows, its system directories, Program Files (both), Common Files,
// ProgramData, the public folders, the user's profile and its known folders
// (Desktop, Documents, Music, Pictures, Videos, Favorites, AppData\Local,
// AppData\Roaming, Start Menu, Startup, Templates, ...) and every folder
// directly in the profile (Downloads, Saved Games, Links, ...). A
// folder above one of them is Users, a drive, the profile's AppData. Folders
// below them (C:\Program Files\Tarvo, Downloads\Tarvo) are not. Compared
// as the file system compares names, letter case aside; the known folders are
// asked of the shell on every call (SHGetFolderPathW), so the caller asks
// only when it would change the directory. True when the directory's volume
// cannot be told: a folder the launcher cannot place is left as it is.
bool IsSystemOrProfileFolder(const std::wstring& directory);

}  // namespace Launcher
