#pragma once

#include <string>

namespace Launcher {

// Opening an address for the user who is signed in, from a launcher that
// runs as administrator: a browser started by it would run elevated too,
// with every page it loads. Any thread.

// Whether this process runs elevated (its token says so); false when the
// token cannot be read.
bool RunsElevated();

// Opens `address` (the shell's "open", through rundll32's URL handler) in a
// process made with the token of the signed-in user's shell (the process
// that owns the shell window), so that it runs with that user's rights, not
// this process's; without a shell window, with this process's own token
// stripped of its administrator rights (Administrators for denial only, no
// privileges, medium integrity). False when neither token can be made or the
// process cannot be started; nothing is then opened.
bool OpenAsSignedInUser(const std::wstring& address);

}  // namespace Launcher
