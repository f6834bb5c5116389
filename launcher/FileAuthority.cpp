#include "launcher/FileAuthority.h"

#include <aclapi.h>

#include <cstring>

#include <vector>

#include "base/UniqueHandle.h"
#include "base/UniqueLocalMemory.h"
#include "launcher/extract/ItemPath.h"

namespace Launcher {

namespace {

// Rights that let an account change what the file says, or take it over.
constexpr ACCESS_MASK kWriteRights =
    FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool IsTrustedAccount(PSID sid, PSID ownUser) {
  if (!sid || !::IsValidSid(sid)) return false;
  if (::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || ::IsWellKnownSid(sid, WinLocalSystemSid)) return true;
  if (ownUser && ::EqualSid(sid, ownUser)) return true;
  return false;
}

// NT SERVICE\TrustedInstaller, which owns and writes system files.
bool IsTrustedInstaller(PSID sid) {
  static const DWORD kSubAuthorities[] = {80, 956008885, 3418522649u, 1831038044, 1853292631, 2271478464u};
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  if (!::IsValidSid(sid) || *::GetSidSubAuthorityCount(sid) != 6) return false;
  if (std::memcmp(::GetSidIdentifierAuthority(sid), &nt, sizeof nt) != 0) return false;
  for (DWORD i = 0; i < 6; ++i) {
    if (*::GetSidSubAuthority(sid, i) != kSubAuthorities[i]) return false;
  }
  return true;
}

// The user of the launcher's own process token; empty when it cannot be read.
std::vector<BYTE> OwnUser() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  UniqueHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
  return buffer;
}

}  // namespace

bool IsAdministratorOnly(PSECURITY_DESCRIPTOR descriptor, PSID ownUser) {
  if (!descriptor) return false;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !IsTrustedAccount(owner, ownUser)) return false;
  BOOL present = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl) return false;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* raw = nullptr;
    if (!::GetAce(dacl, i, &raw)) return false;
    const ACE_HEADER* header = static_cast<const ACE_HEADER*>(raw);
    // Deny entries take rights away; entries that only apply to children
    // of a directory say nothing about this file.
    if (header->AceFlags & INHERIT_ONLY_ACE) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
      if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
      return false;  // a kind of entry this check cannot weigh
    }
    const ACCESS_ALLOWED_ACE* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
    if ((ace->Mask & kWriteRights) == 0) continue;
    PSID sid = const_cast<DWORD*>(&ace->SidStart);
    if (!IsTrustedAccount(sid, ownUser) && !IsTrustedInstaller(sid)) return false;
  }
  return true;
}

bool IsWrittenByAdministrator(HANDLE file) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &raw) != ERROR_SUCCESS) {
    return false;
  }
  UniqueLocalMemory descriptor(raw);
  std::vector<BYTE> user = OwnUser();
  PSID ownUser = user.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  return IsAdministratorOnly(descriptor.Get(), ownUser);
}

bool IsPlainFileAt(HANDLE file, const std::wstring& directory, const std::wstring& name) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file, &information)) return false;
  if (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  if (information.nNumberOfLinks != 1) return false;
  const std::wstring expected = SevenZip::FinalPath(directory);
  return !expected.empty() && SevenZip::SameIgnoringCase(SevenZip::FinalPathOf(file), expected + L"\\" + name);
}

}  // namespace Launcher
