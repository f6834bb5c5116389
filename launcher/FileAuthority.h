#pragma once

#include <windows.h>

#include <string>

namespace Launcher {

// Who may have written a file the elevated launcher acts on ("temp", the
// update record). The launcher runs with administrator rights from a
// directory that other accounts may be able to create files in; a file such
// an account made or can change must not steer what the launcher deletes or
// moves. All functions run on the calling thread and touch nothing.

// Whether only an administrator can have written the file described by
// `descriptor` (its owner and its DACL): the owner is the Administrators
// group, SYSTEM or `ownUser` (the account the launcher runs as; elevated, so
// an administrator), and no access-allowed entry of the DACL gives the right
// to write the data, append to it, or change the DACL or the owner to any
// account other than those and TrustedInstaller. A missing (null) DACL lets
// everybody write: false. Any other owner can change the DACL at will: false.
bool IsAdministratorOnly(PSECURITY_DESCRIPTOR descriptor, PSID ownUser);

// IsAdministratorOnly for the open file `file` and the launcher's own
// account. False when the system cannot report the owner or the DACL.
// Wine reports every file as owned by the account that runs it, with a DACL
// made from the Unix mode (a file writable by all gives Everyone write).
bool IsWrittenByAdministrator(HANDLE file);

// Whether `file`, opened as `directory` + `name`, is a plain file of that
// very name: no directory, no reparse point, one name only (a hard link would
// make another account's file appear under it), and the path the system
// reports for the handle is the directory's own final path followed by `name`
// (a link anywhere on the way resolves elsewhere).
bool IsPlainFileAt(HANDLE file, const std::wstring& directory, const std::wstring& name);

}  // namespace Launcher
