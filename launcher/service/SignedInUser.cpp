#include "launcher/service/SignedInUser.h"

#include <windows.h>

#include "base/UniqueHandle.h"

namespace Launcher {

namespace {

constexpr DWORD kPrimaryAccess =
    TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID;

// A primary token of the signed-in user's shell (the process that owns the
// shell window); empty when there is none.
UniqueHandle ShellUserToken() {
  const HWND shell = ::GetShellWindow();
  DWORD processId = 0;
  if (shell == nullptr || ::GetWindowThreadProcessId(shell, &processId) == 0 || processId == 0) return UniqueHandle();
  const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  HANDLE raw = nullptr;
  if (!process || !::OpenProcessToken(process.Get(), TOKEN_DUPLICATE, &raw)) return UniqueHandle();
  const UniqueHandle shellToken(raw);
  raw = nullptr;
  if (!::DuplicateTokenEx(shellToken.Get(), kPrimaryAccess, nullptr, SecurityImpersonation, TokenPrimary, &raw)) {
    return UniqueHandle();
  }
  return UniqueHandle(raw);
}

// This process's own token without administrator rights: the Administrators
// group for denial only, every privilege but the one to traverse dropped,
// and the medium integrity level of an unelevated program.
UniqueHandle UnelevatedOwnToken() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), kPrimaryAccess, &raw)) return UniqueHandle();
  const UniqueHandle own(raw);
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof administrators;
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) return UniqueHandle();
  SID_AND_ATTRIBUTES disabled{administrators, 0};
  raw = nullptr;
  if (!::CreateRestrictedToken(own.Get(), DISABLE_MAX_PRIVILEGE, 1, &disabled, 0, nullptr, 0, nullptr, &raw)) {
    return UniqueHandle();
  }
  UniqueHandle restricted(raw);
  BYTE medium[SECURITY_MAX_SID_SIZE];
  size = sizeof medium;
  if (!::CreateWellKnownSid(WinMediumLabelSid, nullptr, medium, &size)) return UniqueHandle();
  TOKEN_MANDATORY_LABEL label{{medium, SE_GROUP_INTEGRITY}};
  if (!::SetTokenInformation(restricted.Get(), TokenIntegrityLevel, &label, sizeof label + ::GetLengthSid(medium))) {
    return UniqueHandle();
  }
  return restricted;
}

}  // namespace

bool RunsElevated() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  const UniqueHandle token(raw);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!::GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size)) return false;
  return elevation.TokenIsElevated != 0;
}

bool OpenAsSignedInUser(const std::wstring& address) {
  // rundll32 by its full path in the system directory: nothing beside the
  // launcher, nor on the search path, is started.
  wchar_t system[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::wstring program = std::wstring(system) + L"\\rundll32.exe";
  std::wstring commandLine = L"\"" + program + L"\" url.dll,FileProtocolHandler " + address;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  bool made = false;
  if (const UniqueHandle token = ShellUserToken()) {
    made = ::CreateProcessWithTokenW(token.Get(), 0, program.c_str(), commandLine.data(), 0, nullptr, system, &startup,
                                     &started) != FALSE;
  } else if (const UniqueHandle unelevated = UnelevatedOwnToken()) {
    // No shell (a session without Explorer): this account, without its
    // administrator rights.
    made = ::CreateProcessAsUserW(unelevated.Get(), program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                  nullptr, system, &startup, &started) != FALSE;
  }
  if (!made) return false;
  const UniqueHandle startedProcess(started.hProcess);
  const UniqueHandle startedThread(started.hThread);
  return true;
}

}  // namespace Launcher
