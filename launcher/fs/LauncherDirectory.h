#pragma once

#include <string>

#include "base/FileSystem.h"

namespace Launcher {

// Names the launcher addresses relative to its own directory.
inline constexpr wchar_t kPendingDeletionFile[] = L"temp";
// The first of the fresh names "temp" is written under before it replaces
// the file ("temp.new", then "temp.new1" and on: Installation::ReplaceDurably).
inline constexpr wchar_t kPendingDeletionNewFile[] = L"temp.new";
// The record of an update in progress (UpdateJournal), written under fresh
// names ("update.journal.new", ...) before it replaces the record, and the
// name a damaged record is renamed to. Every name that begins with the record's is the
// launcher's own.
inline constexpr wchar_t kUpdateJournalFile[] = L"update.journal";
inline constexpr wchar_t kUpdateJournalDamagedFile[] = L"update.journal.damaged";
// What a download cut short can be resumed from (DownloadRecord), and the
// fresh names it is written under.
inline constexpr wchar_t kDownloadRecordFile[] = L"update.download";

// The directory of the running launcher's executable, with its trailing
// backslash, so that a file name can be appended directly
// (C:\Program Files\Product\launcher.exe gives C:\Program Files\Product\).
// Empty when the platform cannot report the module's path, or only cut
// short (260 characters or more).
std::wstring LauncherDirectory();

// The launcher's own executable name (launcher.exe), as the module's path
// reports it; empty when the platform cannot report it.
std::wstring LauncherFileName();

}  // namespace Launcher
