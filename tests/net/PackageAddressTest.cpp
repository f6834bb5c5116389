#include "launcher/net/PackageAddress.h"

#include <gtest/gtest.h>

#include "tests/support/Files.h"

using namespace Launcher;

namespace {

// One crack of the address gives the package's name, the scheme rule and
// what the download asks for; anything but an http: or https: address is
// refused before anything is created or fetched.
TEST(PackageAddress, ParsesOnceForNameSchemeAndRequest) {
  const struct {
    const wchar_t* text;
    bool parses;
    const wchar_t* fileName;
    const wchar_t* object;
    bool https;
    unsigned short port;
  } rows[] = {
      {L"http://example.com/dl/update_2.1.7z", true, L"update_2.1.7z", L"/dl/update_2.1.7z", false, 80},
      {L"https://example.com:8443/dl/p.7z?sig=1", true, L"p.7z", L"/dl/p.7z?sig=1", true, 8443},
      {L"http://example.com/dl/p.7z?name=/VxSpeedUp.exe", true, L"p.7z", L"/dl/p.7z?name=/VxSpeedUp.exe", false, 80},
      {L"http://example.com/dl/p.7z#part/x", true, L"p.7z", L"/dl/p.7z", false, 80},
      {L"http://example.com/dl/", true, L"", L"/dl/", false, 80},
      {L"http://example.com", true, L"", L"/", false, 80},
      {L"http://example.com?f=/temp", true, L"", L"/?f=/temp", false, 80},
      {L"", false, L"", L"", false, 0},
      {L"p.7z", false, L"", L"", false, 0},
      {L"C:\\x/y\\z.zip", false, L"", L"", false, 0},
      {L"file:///C:/windows/win.ini", false, L"", L"", false, 0},
      {L"\\\\127.0.0.1\\share\\p.7z", false, L"", L"", false, 0},
      {L"ftp://127.0.0.1/p.7z", false, L"", L"", false, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Narrow(row.text));
    PackageAddress address;
    const Status parsed = PackageAddress::Parse(row.text, address);
    ASSERT_EQ(parsed.ok(), row.parses) << parsed.ToString();
    if (!row.parses) {
      EXPECT_TRUE(parsed.Is(Status::Kind::Refused));
      EXPECT_STREQ(parsed.call(), "IsDownloadAddress");
      continue;
    }
    EXPECT_EQ(address.Text(), row.text);
    EXPECT_EQ(address.FileName(), row.fileName);
    EXPECT_EQ(address.Object(), row.object);
    EXPECT_EQ(address.Https(), row.https);
    EXPECT_EQ(address.Port(), row.port);
  }
}

}  // namespace
