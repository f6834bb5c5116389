#pragma once

#include <set>
#include <string>
#include <vector>

namespace Launcher {

// Names inside the installation, compared the way Windows resolves them.

// The product's executable in the launcher directory.
inline constexpr wchar_t kProductExecutable[] = L"VxSpeedUp.exe";

// The form under which Windows finds `path`: "/" taken as "\", trailing dots
// and blanks of every component dropped (Windows ignores them), empty and "."
// components left out, letters in upper case (Windows compares names without regard to case). Two paths with
// the same key name the same file.
std::wstring NameKey(const std::wstring& path);

// Whether `a` and `b` name the same file (equal keys).
bool SameFileName(const std::wstring& a, const std::wstring& b);

// Whether `name` may stand in the pending-deletion file or name an installed
// item: a relative path that stays inside the launcher directory (the rule the
// extraction applies to package items).
bool IsInstallationPath(const std::wstring& name);

// Whether `directory` is a full directory path ending in a backslash
// ("C:\dir\" or "\\server\share\dir\"): an empty or relative one would
// have every name taken relative to the current directory.
bool IsFullDirectory(const std::wstring& directory);

// Whether `relativePath` is, or lies below, one of the launcher's own files in
// its directory: the pending-deletion file or the update record under any of
// its names (compared as Windows compares names). A package must not write
// them, nor may a record or the pending list name them.
bool IsLauncherOwnName(const std::wstring& relativePath);

// Whether `relativePath` names, or lies below, a file the launcher must never
// delete nor have replaced by a restore: the product executable,
// `launcherFileName` (the launcher's own executable) or one of the launcher's
// own files (IsLauncherOwnName), compared as Windows compares names.
bool IsProtectedName(const std::wstring& relativePath, const std::wstring& launcherFileName);

// Whether `setAside` is exactly a set-aside name the update gives `name`:
// `name` with one or more "_" inserted in front of its last component and
// nothing else changed, character for character (bin\__core.dll for
// bin\core.dll). A restore entry or record line of any other form would move
// one file onto another at will.
bool IsSetAsideFormOf(const std::wstring& setAside, const std::wstring& name);

// Whether `relativePath`, below `directory` (which ends in a backslash),
// reaches an existing file or directory through a name Windows does not show
// for it: a short (8.3) alias of a long name. Components that do not exist yet
// cannot be aliases and end the check.
bool ReachesThroughAlias(const std::wstring& directory, const std::wstring& relativePath);

// `relativePath` and every directory above it ("a\b\c" gives "a\b\c", "a\b",
// "a"), as keys.
std::vector<std::wstring> KeysWithParents(const std::wstring& relativePath);

// Whether `relativePath` or a directory above it is one of `keys` (NameKey).
bool IsAtOrBelowAny(const std::wstring& relativePath, const std::set<std::wstring>& keys);

// Whether `name` may name the package file: a plain file name (not empty,
// no separator, no character Windows refuses in a name, no device name, not
// only dots and blanks) that is neither the product executable, nor
// `launcherFileName` (the launcher's own file), nor one of the launcher's own
// files (IsLauncherOwnName), compared as Windows compares names.
bool IsPlainPackageName(const std::wstring& name, const std::wstring& launcherFileName);

// Whether the package may be downloaded as `launcherDirectory` + `name`
// afresh: IsPlainPackageName, and nothing may stand under that name (nor be reached by it as a short
// alias), and it may not be the set-aside name ("_" in front) of anything
// that exists. A refused name fails the download before anything is created.
bool IsUsablePackageName(const std::wstring& launcherDirectory, const std::wstring& name,
                         const std::wstring& launcherFileName);

}  // namespace Launcher
