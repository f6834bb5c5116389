#include "base/Status.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace Launcher;

namespace {

TEST(Status, ToStringNamesTheCallTheSubjectAndTheCode) {
  const struct {
    Status status;
    const char* line;
  } cases[] = {
      {Status::Ok(), "OK"},
      {Status(), "OK"},
      {Status::Failed("MoveFileExW", L"C:\\dir\\a.dll", ERROR_ACCESS_DENIED),
       "MoveFileExW \"C:\\dir\\a.dll\": error 5"},
      {Status::Failed("DownloadToFile", L"http://127.0.0.1/p.7z"), "DownloadToFile \"http://127.0.0.1/p.7z\": failed"},
      {Status::Failed("URLDownloadToFileW", L"x", 0x800C0005ul), "URLDownloadToFileW \"x\": error 0x800C0005"},
      {Status::Failed("CreateFileW", L"bin\\\u6838\u5fc3.dll", 2),
       "CreateFileW \"bin\\\xe6\xa0\xb8\xe5\xbf\x83.dll\": error 2"},
      {Status::Failed("WriteFile", std::wstring(1, wchar_t(0xD800)), 112), "WriteFile \"?\": error 112"},
      {Status::Failed("ExtractTo", L"", 1), "ExtractTo \"\": error 1"},
      {Status::Refused("PackageSignature", L"trusted comment is \"version 1\", expected \"version 2\""),
       "PackageSignature: trusted comment is \"version 1\", expected \"version 2\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.status.ToString(), c.line);
    EXPECT_EQ(c.status.ok(), std::string(c.line) == "OK") << c.line;
  }
}

TEST(Status, FromLastErrorKeepsTheCodeOfTheFailedCall) {
  const struct {
    DWORD code;
    const char* line;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, "DeleteFileW \"a\": error 2"},
      {ERROR_SHARING_VIOLATION, "DeleteFileW \"a\": error 32"},
      {0, "DeleteFileW \"a\": failed"},
  };
  for (const auto& c : cases) {
    ::SetLastError(c.code);
    const Status status = Status::FromLastError("DeleteFileW", L"a");
    ::SetLastError(ERROR_SUCCESS);  // later calls do not change what was kept
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.code(), c.code);
    EXPECT_EQ(status.ToString(), c.line);
  }
  // A real failure: the file is not there.
  ASSERT_FALSE(::DeleteFileW(L"C:\\no such directory\\no such file"));
  const Status missing = Status::FromLastError("DeleteFileW", L"C:\\no such directory\\no such file");
  EXPECT_EQ(missing.code(), static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
  EXPECT_STREQ(missing.call(), "DeleteFileW");
  EXPECT_EQ(missing.subject(), L"C:\\no such directory\\no such file");
}

TEST(Status, CopiesAndMovesKeepTheCause) {
  const Status original = Status::Failed("MoveFileExW", L"bin\\core.dll", 5);
  Status copy = original;
  EXPECT_EQ(copy.ToString(), original.ToString());
  Status moved = std::move(copy);
  EXPECT_EQ(moved.ToString(), "MoveFileExW \"bin\\core.dll\": error 5");
  Status assigned = Status::Ok();
  assigned = moved;
  EXPECT_FALSE(assigned.ok());
  EXPECT_EQ(assigned.code(), 5ul);
  assigned = Status::Ok();
  EXPECT_TRUE(assigned.ok());
  EXPECT_STREQ(assigned.call(), "");
  EXPECT_EQ(moved.ToString(), "MoveFileExW \"bin\\core.dll\": error 5");
}

}  // namespace
