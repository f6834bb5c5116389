// SystemLibrary in this process: what is loaded comes from the system
// directory, bad names are refused, ownership moves. (The search restriction
// is tested with planted DLLs in PlantedDllTest.cpp.)
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/DllSearch.h"
#include "base/SystemLibrary.h"
#include "tests/support/Files.h"

namespace {

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
  return std::wstring(path, length);
}

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text;
}

TEST(SystemLibrary, LoadsFromTheSystemDirectoryAndFindsTypedEntries) {
  const wchar_t* const names[] = {L"version.dll", L"msimg32.dll", L"msftedit.dll", L"wininet.dll", L"gdiplus.dll"};
  for (const wchar_t* name : names) {
    SystemLibrary library = SystemLibrary::Load(name);
    ASSERT_TRUE(library) << Narrow(name) << ": error " << ::GetLastError();
    EXPECT_EQ(Lower(ModulePath(library.Get())), Lower(SystemDirectoryPath(name))) << Narrow(name);
  }
  SystemLibrary version = SystemLibrary::Load(L"version.dll");
  using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  const SizeFn size = version.Entry<SizeFn>("GetFileVersionInfoSizeW");
  ASSERT_NE(size, nullptr);
  // A real call through the typed pointer: the test program has no version resource.
  DWORD ignored = 0;
  EXPECT_EQ(size(ModulePath(nullptr).c_str(), &ignored), 0u);
  EXPECT_EQ(version.Entry<SizeFn>("NoSuchExport"), nullptr);
  EXPECT_NE(SystemLibrary::Load(L"msftedit.dll").Data<IID>("IID_ITextServices"), nullptr);
  EXPECT_EQ(SystemLibrary().Entry<SizeFn>("GetFileVersionInfoSizeW"), nullptr);
}

TEST(SystemLibrary, RefusesWhatIsNotABareFileName) {
  const struct {
    const wchar_t* name;
    DWORD error;  // 0: any error
  } cases[] = {
      {L"", ERROR_INVALID_NAME},
      {L".", ERROR_INVALID_NAME},
      {L"..", ERROR_INVALID_NAME},
      {L"..\\version.dll", ERROR_INVALID_NAME},
      {L"sub/version.dll", ERROR_INVALID_NAME},
      {L"C:version.dll", ERROR_INVALID_NAME},
      {L"C:\\windows\\system32\\version.dll", ERROR_INVALID_NAME},
      {L"\\\\?\\C:\\version.dll", ERROR_INVALID_NAME},
      {L"vers*.dll", ERROR_INVALID_NAME},
      {L"no_such_library_here.dll", 0},
  };
  for (const auto& c : cases) {
    ::SetLastError(0);
    SystemLibrary library = SystemLibrary::Load(c.name);
    const DWORD error = ::GetLastError();
    EXPECT_FALSE(library) << Narrow(c.name);
    EXPECT_EQ(library.Get(), nullptr) << Narrow(c.name);
    if (c.error != 0) {
      EXPECT_EQ(error, c.error) << Narrow(c.name);
    } else {
      EXPECT_NE(error, 0u) << Narrow(c.name);
    }
  }
}

TEST(SystemLibrary, MovingTransfersTheReferenceAndDetachKeepsTheModule) {
  SystemLibrary first = SystemLibrary::Load(L"version.dll");
  ASSERT_TRUE(first);
  const HMODULE module = first.Get();
  SystemLibrary second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.Get(), module);
  SystemLibrary third;
  third = std::move(second);
  EXPECT_FALSE(second);
  EXPECT_EQ(third.Get(), module);
  // Detached, the reference is the caller's: the module stays loaded after
  // the owner goes, until that reference is freed.
  HMODULE kept = third.Detach();
  EXPECT_FALSE(third);
  EXPECT_EQ(kept, module);
  HMODULE found = nullptr;
  EXPECT_TRUE(::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   SystemDirectoryPath(L"version.dll").c_str(), &found));
  EXPECT_EQ(found, module);
  ::FreeLibrary(kept);
}

}  // namespace
