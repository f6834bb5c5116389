#pragma once

// launcher/fs/: the installation and its rules. The gate (Installation,
// below) is the one code that opens, creates, moves or removes anything in
// the launcher's directory; with it live who is trusted (FileAuthority),
// which names are safe (SafePath), where an open object really is
// (FinalPath), the names the launcher keeps for itself
// (FileNames), its own directory (LauncherDirectory) and the sealed form of
// its record files (RecordLines). Includes only base/; every layer above
// that touches the installation goes through here.

#include <windows.h>

#include <string>
#include <vector>

#include "base/Status.h"
#include "base/UniqueHandle.h"
#include "launcher/fs/FileAuthority.h"
#include "launcher/fs/HeldDirectory.h"

namespace Launcher {

// The installation directory, and the one gate through which the launcher
// opens, creates, moves or removes anything in it: the set-aside moves, the
// unpacking, the rollback and the repair, "temp", the update record and the
// package file all ask this class. It rests on these rules:
//
// - Nothing is acted on through a link. Every object is opened itself
//   (FILE_FLAG_OPEN_REPARSE_POINT) and only when the path the system reports
//   for the open handle is the installation's own final path followed by the
//   names asked for (letter case aside), so that a reparse point, a link
//   Wine shows as a plain file or a short alias anywhere on the way refuses
//   the step ("ReachesThroughLink"). Deletions and renames then act on that
//   very handle, so that no swap after the check can redirect them.
// - What the launcher reads and starts must be trusted (FileAuthority.h):
//   plain, one name, only administrators can have written it.
// - What the launcher creates is created new (never an existing object
//   opened), with AdminOnlySecurity, so that it stays trusted however the
//   directory's own entries are set.
// - The installation directory itself may let other accounts create files
//   in it until the start makes it the maker's (InstallationClaim: Secure,
//   then what others made moved aside with MoveInto); directories below it
//   are trusted or are not used (the update sets an untrusted one aside and
//   makes its own).
//
// Paths are relative to Directory() and must pass the item-path rule of the
// extraction (relative, no "..", no device, no component ending in a dot or
// blank); anything else fails with "IsSafeItemPath" (kind Refused).
// Failures are returned as Status, with the call that failed, the full path,
// the platform's code and the kind callers decide by. Not copyable; the object holds the directory open (shared for
// reading and writing) for its lifetime. Any thread, one at a time.
class Installation {
 public:
  enum class Standing {
    Missing,    // nothing under that name
    Trusted,    // a plain object only administrators can have written
    Untrusted,  // another account may have made it or may change it
    Elsewhere,  // the name leads through a link, or cannot be examined
  };
  enum class Occupant { Keep, ReplaceUntrusted };
  // What Examine found: who may have made it, and whether it is a directory
  // (false when it is missing or cannot be examined).
  struct Examined {
    Standing standing = Standing::Missing;
    bool directory = false;
    bool Exists() const { return standing != Standing::Missing; }
  };
  // The deepest directory level Remove descends to below the object it was
  // asked to remove; a tree deeper than that is not removed (nothing the
  // launcher makes is nearly as deep).
  static constexpr size_t kMaxRemoveDepth = 64;

  // `directory` is a full path ending in a backslash (IsFullDirectory). An
  // installation that could not be opened is not Valid(), and every step
  // fails with "Installation" and the directory.
  explicit Installation(std::wstring directory);
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  bool Valid() const { return static_cast<bool>(root_) && !final_.empty(); }
  const std::wstring& Directory() const { return directory_; }

  // What stands at `relative`: Missing also when a directory on the way is
  // missing; Elsewhere when the name leads through a link or a short alias,
  // or the object cannot be examined.
  Examined Examine(const std::wstring& relative) const;

  // Opens the object at `relative` itself with `access` (files and
  // directories), sharing `share` (never delete, so that it cannot be
  // renamed or removed by others while the handle is held). Fails with kind
  // NotFound when nothing is there, or LeadsElsewhere ("ReachesThroughLink")
  // when it is not the object the name says.
  Status Open(const std::wstring& relative, DWORD access, UniqueHandle& object,
              DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE) const;

  // Reads the trusted plain file `relative` whole into `bytes`; fails with
  // "IsTrustedObject" when it is not trusted, "ReadTrusted" when it holds
  // more than `maxBytes`, otherwise as Open or ReadFile.
  Status ReadTrusted(const std::wstring& relative, unsigned long maxBytes, std::string& bytes) const;

  // Creates the file `relative`, which must not exist (CREATE_NEW), with
  // AdminOnlySecurity and `flags`, opened with `access` and `share`. Fails
  // when anything stands there or the new file is not where the name says
  // (a link on the way: it is deleted again). The directory it goes into is
  // checked and held first, so a directory that leads elsewhere fails the
  // call ("ReachesThroughLink") before anything is made.
  Status CreateFile(const std::wstring& relative, DWORD access, DWORD share, DWORD flags, UniqueHandle& file) const;

  // Checks the directory `relative` ("" for the installation directory) and
  // holds it for a run of creations (HeldDirectory): it must be a directory
  // the name leads to ("ReachesThroughLink", kind LeadsElsewhere, otherwise)
  // and trusted ("IsTrustedObject", kind Refused); NotFound when nothing is
  // there, "Installation::Hold" (kind Refused) for a file. `held` is empty
  // on failure.
  Status Hold(const std::wstring& relative, HeldDirectory& held) const;

  // Creates the file `name` (one component) in the held `directory`, as
  // CreateFile does, without checking the directory again: the file is made
  // in the held directory object itself, whatever is renamed above it, so
  // what it costs per file is the creation alone. Fails with the platform's
  // code (ERROR_ALREADY_EXISTS when anything stands at the name).
  Status CreateFileIn(const HeldDirectory& directory, const std::wstring& name, DWORD access, DWORD share,
                      UniqueHandle& file) const;

  // Creates the directory `relative` with AdminOnlySecurity; fails when
  // anything stands there (ERROR_ALREADY_EXISTS) or it is not where the name
  // says.
  Status CreateDirectory(const std::wstring& relative) const;

  // Renames `from` to `to`, both in the same directory (a set-aside move and
  // its way back). Fails when `to` is taken, except that with
  // ReplaceUntrusted a file at `to` that is not trusted (another account put
  // it there while the name was empty) is replaced; a trusted object or a
  // directory there is never replaced. Nothing moves on failure.
  Status Move(const std::wstring& from, const std::wstring& to, Occupant occupant = Occupant::Keep) const;

  // Deletes whatever stands at `relative` for good: a file (read-only or
  // not) or a directory with everything in it, each object through a handle
  // opened on it while its directory is held, so that nothing outside goes
  // whatever is renamed meanwhile. A link found at any depth is left in
  // place and not entered. The tree is walked with a list of its own, not
  // by recursion, and no deeper than kMaxRemoveDepth levels: what lies
  // deeper stays, with its directories ("Installation::Remove", kind
  // Refused). Ok when nothing is left (also when nothing was there);
  // otherwise the first step that failed, and what could be deleted is
  // gone.
  Status Remove(const std::wstring& relative) const;

  // Replaces the file `name` (in the installation directory) with one
  // holding `bytes`, so that a crash at any moment leaves the old file or
  // the new one whole: the bytes go to a fresh file (`name` + ".new", or
  // with a number after it when that name is taken by something that cannot
  // be removed), created new, written through and flushed, which is renamed
  // over `name`. Fails naming the step; `name` is unchanged then.
  Status ReplaceDurably(const std::wstring& name, const std::string& bytes) const;

  // Removes what a write cut short left under ReplaceDurably's fresh names
  // for `name`, where those are the launcher's own (trusted).
  void RemoveUnfinishedWrites(const std::wstring& name) const;

  // Whether the installation directory itself is trusted (IsTrustedObject):
  // only administrators can add, change or delete anything in it.
  bool DirectoryTrusted() const;

  // Gives the installation directory the protected DACL of AdminOnlySecurity
  // and the owner of new objects (OwnerOfNewObjects), through a handle whose
  // final path is the installation's own; the system passes the new
  // inheritable entries on to what the directory holds. Fails naming the
  // step; "IsTrustedObject" (kind Refused) when the directory is still not
  // trusted afterwards.
  Status Secure() const;

  // The names in the installation directory, listed through the handle held
  // since construction ("." and ".." left out). Fails when the installation
  // is not Valid() or the listing fails.
  Status ListDirectory(std::vector<std::wstring>& names) const;

  // Moves the object `from` (a file or a directory with what it holds) into
  // the trusted directory `directory` (Hold's rule), under its own last
  // component or, when that is taken, the first free one of that name
  // followed by ".1" to ".15"; nothing is ever replaced. `movedTo` is the
  // relative path it got. Fails as Open (a link at `from` is never moved)
  // or Hold, with ERROR_ALREADY_EXISTS when no name is free; nothing moves
  // on failure.
  Status MoveInto(const std::wstring& from, const std::wstring& directory, std::wstring& movedTo) const;

  // The full path of `relative`.
  std::wstring PathOf(const std::wstring& relative) const { return directory_ + relative; }

 private:
  Status Check(const std::wstring& relative) const;
  Status OpenAt(const std::wstring& relative, DWORD access, DWORD share, UniqueHandle& object) const;
  Status HoldParent(const std::wstring& normal, UniqueHandle& parent) const;
  // Creates the file at the full `path` (whose parent the caller holds) and
  // checks it landed at `normal`; the new file goes again when it did not.
  Status CreateNew(const std::wstring& normal, DWORD access, DWORD share, DWORD flags, UniqueHandle& file) const;
  // Removes `relative` when it is trusted (what a write of ours left).
  void RemoveIfOurs(const std::wstring& relative) const;
  // Deletes the open `object` at `normal` (not a directory that holds
  // anything); restores a read-only flag it had to take away when the
  // deletion fails.
  Status Dispose(const std::wstring& normal, HANDLE object, DWORD attributes) const;

  std::wstring directory_;
  std::wstring final_;
  UniqueHandle root_;
  // The entries of everything created here, made once.
  AdminOnlySecurity security_;
};

}  // namespace Launcher
