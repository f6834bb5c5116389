#pragma once

#include <windows.h>
// After windows.h.
#include <accctrl.h>

#include <vector>

#include "base/UniqueLocalMemory.h"

namespace Launcher {

// Who may have written, or may still change, an object in the installation.
// The launcher runs with administrator rights from a directory that other
// accounts may be able to create files in; an object such an account made
// or can change must not steer what the launcher reads, deletes, moves or
// starts. Every function runs on the calling thread and touches nothing.
//
// Trusted is an object that is plain (no reparse point; a file has one name
// only, since a second hard link would show another account's file under
// ours) and whose security descriptor passes IsAdministratorOnly with the
// owner this process gives the objects it creates (OwnerOfNewObjects).

// The rights that let an account change an object or what a directory holds:
// write or append data (for a directory: add a file or a subdirectory),
// delete a child, delete or rename the object, change its DACL or owner, and
// the generic rights that include them.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                      WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// Whether only an administrator can have written the object described by
// `descriptor`: the owner is the Administrators group, SYSTEM,
// TrustedInstaller or `trustedOwner` (the owner the launcher gives what it
// creates; never the token's user, whom the account's programs without
// elevation share), and no entry of the DACL gives kChangeRights to any other
// account. A denial takes rights away and is passed over, and so is an entry
// that applies only to a directory's children; an entry of any other kind
// (callback, object, audit-like allow entries) cannot be weighed and makes
// the object untrusted. No DACL (everybody may do anything) or no owner:
// false.
bool IsAdministratorOnly(PSECURITY_DESCRIPTOR descriptor, PSID trustedOwner);

// The owner the system gives the objects this process creates: the token's
// default owner (TokenOwner; Administrators in an elevated process on
// Windows). Wine gives every file the token's user instead, whatever the
// token says, so there the token's user is answered. Read once per process;
// empty when the token cannot be read.
const std::vector<BYTE>& OwnerOfNewObjects();

// The owner of OwnerOfNewObjects as a SID, null when it is not known.
PSID OwnerOfNewObjectsSid();

// Whether the open `object` of `type` (a file, a kernel object) is
// administrator-only (IsAdministratorOnly, with OwnerOfNewObjectsSid as the
// trusted owner). False when its descriptor cannot be read.
bool IsAdministratorOnlyObject(HANDLE object, SE_OBJECT_TYPE type);

// Whether the open `object` (file or directory) is trusted (see above).
// False when the system cannot report its information or its descriptor.
bool IsTrustedObject(HANDLE object);

// The security attributes of everything the launcher creates in the
// installation: a protected DACL (nothing inherited from the directory) that
// gives Administrators and SYSTEM every right and everybody else read and
// execute, so that what the launcher writes stays trusted even where the
// directory lets every user change what it holds. Not copyable; the
// attributes live as long as the object.
class AdminOnlySecurity {
 public:
  AdminOnlySecurity() = default;
  AdminOnlySecurity(const AdminOnlySecurity&) = delete;
  AdminOnlySecurity& operator=(const AdminOnlySecurity&) = delete;

  // The descriptor is made on the first call (most owners only read and
  // never need it); null when it could not be made: the caller then fails.
  // CreateFileW and CreateDirectoryW take the attributes unchanged, though
  // not as const. One thread at a time, like its owner.
  SECURITY_ATTRIBUTES* Attributes() const;

 private:
  mutable bool tried_ = false;
  mutable UniqueLocalMemory descriptor_;
  mutable SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace Launcher
