#pragma once

#include <set>
#include <string>
#include <vector>

namespace Launcher {

// Names inside the installation, compared the way Windows resolves them.

// The product's executable in the launcher directory.
inline constexpr wchar_t kProductExecutable[] = L"VxSpeedUp.exe";

// The launcher's own files in its directory. The pending-deletion list
// (PendingList) and the first of the fresh names it is written under before
// it replaces the file ("temp.new", then "temp.new1" and on:
// Installation::ReplaceDurably).
inline constexpr wchar_t kPendingDeletionFile[] = L"temp";
inline constexpr wchar_t kPendingDeletionNewFile[] = L"temp.new";
// The record of an update in progress (UpdateJournal), written under fresh
// names ("update.journal.new", ...) before it replaces the record, and the
// name a damaged record is renamed to. Every name that begins with the
// record's is the launcher's own.
inline constexpr wchar_t kUpdateJournalFile[] = L"update.journal";
inline constexpr wchar_t kUpdateJournalDamagedFile[] = L"update.journal.damaged";
// What a download cut short can be resumed from (DownloadRecord), and the
// fresh names it is written under.
inline constexpr wchar_t kDownloadRecordFile[] = L"update.download";
// The highest version the launcher installed (VersionFloor), and the fresh
// names it is written under.
inline constexpr wchar_t kVersionFloorFile[] = L"update.version";
// The admin-only folder into which the start moves what other accounts made
// in the installation directory (InstallationClaim), kept there, never
// deleted; "moved-aside.1" and on when another account took the name first.
inline constexpr wchar_t kMovedAsideDirectory[] = L"moved-aside";

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

// Whether `directory` is a full directory path ending in a separator
// ("C:\dir\" or "\\server\share\dir\"; "/" counts as one): an empty or
// relative one would have every name taken relative to the current
// directory.
bool IsFullDirectory(const std::wstring& directory);

// Whether `relativePath` is, or lies below, one of the launcher's own files in
// its directory: the pending-deletion file, the folder of what was moved
// aside or the update record under any of its names (compared as Windows compares names). A package must not write
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

}  // namespace Launcher
