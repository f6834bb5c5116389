#include "launcher/fs/FileAuthority.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstring>

#include "base/ProcAddress.h"
#include "base/UniqueHandle.h"

namespace Launcher {

namespace {

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

bool IsTrustedAccount(PSID sid, PSID trustedOwner) {
  if (!sid || !::IsValidSid(sid)) return false;
  if (::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || ::IsWellKnownSid(sid, WinLocalSystemSid)) return true;
  if (IsTrustedInstaller(sid)) return true;
  return trustedOwner && ::IsValidSid(trustedOwner) && ::EqualSid(sid, trustedOwner);
}

std::vector<BYTE> TokenSid(TOKEN_INFORMATION_CLASS kind) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  UniqueHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), kind, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !::GetTokenInformation(token.Get(), kind, buffer.data(), size, &size)) return {};
  const PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                     : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
  if (!sid || !::IsValidSid(sid)) return {};
  const BYTE* bytes = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(bytes, bytes + ::GetLengthSid(sid));
}

bool RunsUnderWine() {
  return ProcAddressAs<const char* (*)()>(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

}  // namespace

bool IsAdministratorOnly(PSECURITY_DESCRIPTOR descriptor, PSID trustedOwner) {
  if (!descriptor) return false;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !IsTrustedAccount(owner, trustedOwner)) {
    return false;
  }
  BOOL present = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl) return false;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* raw = nullptr;
    if (!::GetAce(dacl, i, &raw)) return false;
    const ACE_HEADER* header = static_cast<const ACE_HEADER*>(raw);
    if (header->AceFlags & INHERIT_ONLY_ACE) continue;
    if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return false;
    const ACCESS_ALLOWED_ACE* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
    if ((ace->Mask & kChangeRights) == 0) continue;
    if (!IsTrustedAccount(const_cast<DWORD*>(&ace->SidStart), trustedOwner)) return false;
  }
  return true;
}

const std::vector<BYTE>& OwnerOfNewObjects() {
  // Measured: Wine reports TokenOwner as a group of the user while every file
  // it creates is owned by the user itself. The token's owner does not change
  // while the process runs, and every trust check asks for it.
  static const std::vector<BYTE> owner = TokenSid(RunsUnderWine() ? TokenUser : TokenOwner);
  return owner;
}

bool IsTrustedObject(HANDLE object) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(object, &information)) return false;
  if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return false;
  if (!(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && information.nNumberOfLinks != 1) return false;
  return IsAdministratorOnlyObject(object, SE_FILE_OBJECT);
}

PSID OwnerOfNewObjectsSid() {
  const std::vector<BYTE>& owner = OwnerOfNewObjects();
  return owner.empty() ? nullptr : const_cast<BYTE*>(owner.data());
}

bool IsAdministratorOnlyObject(HANDLE object, SE_OBJECT_TYPE type) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (::GetSecurityInfo(object, type, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                        nullptr, &raw) != ERROR_SUCCESS) {
    return false;
  }
  UniqueLocalMemory descriptor(raw);
  return IsAdministratorOnly(descriptor.Get(), OwnerOfNewObjectsSid());
}

SECURITY_ATTRIBUTES* AdminOnlySecurity::Attributes() const {
  if (tried_) return descriptor_ ? &attributes_ : nullptr;
  tried_ = true;
  // P: protected from the directory's inherited entries; OICI: a directory
  // passes the same entries on to what it will hold.
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(
          L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;WD)", SDDL_REVISION_1, &raw, nullptr)) {
    descriptor_.Reset(raw);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = raw;
    attributes_.bInheritHandle = FALSE;
  }
  return descriptor_ ? &attributes_ : nullptr;
}

}  // namespace Launcher
