#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "duilib/core/CResourceSettingsUI.h"
#include "duilib/core/CXmlDocument.h"
#include "tests/duilib/SkinBytes.h"
#include "tests/duilib/ZipWriter.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using DuiLib::CResourceSettingsUI;
using DuiLib::CXmlDocument;
using DuiLib::SkinReadResult;

namespace {

class ResourceSettings : public ::testing::Test {
 protected:
  void SetUp() override { CResourceSettingsUI::ResetForTesting(); }
  void TearDown() override { CResourceSettingsUI::ResetForTesting(); }
};

std::string Read(const wchar_t* name, SkinReadResult expected = SkinReadResult::Ok, size_t maxSize = 0) {
  std::vector<BYTE> bytes;
  EXPECT_EQ(CResourceSettingsUI::ReadSkinFile(name, bytes, maxSize), expected);
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(ResourceSettings, ResourcePathGetsOneTrailingSeparator) {
  struct Case {
    const wchar_t* given;
    const wchar_t* stored;
  } cases[] = {
      {L"C:\\skin", L"C:\\skin\\"}, {L"C:\\skin/", L"C:\\skin/"}, {L"C:\\skin\\", L"C:\\skin\\"}, {L"", L""},
      {L"skin", L"skin\\"},
  };
  for (const Case& c : cases) {
    CResourceSettingsUI::SetResourcePath(c.given);
    EXPECT_EQ(CResourceSettingsUI::GetResourcePath(), c.stored);
  }
}

TEST_F(ResourceSettings, SecondMemoryPackageKeepsTheFirst) {
  static const std::string skin = SkinPackageBytes();
  ZipWriter other;
  other.Add("MainWindow.xml", "<Other/>");
  static const std::string second = other.Finish();

  CResourceSettingsUI::SetResourceZip(skin.data(), skin.size());
  EXPECT_EQ(CResourceSettingsUI::GetResourceZip(), L"membuffer");
  DuiLib::CZipArchive* first = CResourceSettingsUI::GetResourceZipHandle();
  ASSERT_NE(first, nullptr);
  CResourceSettingsUI::SetResourceZip(second.data(), second.size());
  EXPECT_EQ(CResourceSettingsUI::GetResourceZipHandle(), first);
  EXPECT_EQ(Read(L"MainWindow.xml"), SkinMember(L"MainWindow.xml"));
}

TEST_F(ResourceSettings, PackageMembersAndTheirFailures) {
  static const std::string skin = SkinPackageBytes();
  CResourceSettingsUI::SetResourceZip(skin.data(), skin.size());
  EXPECT_EQ(Read(L"img\\pic_bg.png").substr(1, 3), "PNG");
  Read(L"img/", SkinReadResult::Empty);  // the directory entry has no bytes
  Read(L"img/missing.png", SkinReadResult::MemberNotFound);
  Read(L"MainWindow.xml", SkinReadResult::TooLarge, 100);

  // The markup loader turns them into its messages.
  struct Case {
    const wchar_t* name;
    const wchar_t* message;
  } cases[] = {
      {L"img/", L"File is empty"},
      {L"Nothing.xml", L"Could not find ziped file"},
  };
  for (const Case& c : cases) {
    CXmlDocument document;
    EXPECT_FALSE(document.LoadFromFile(c.name));
    EXPECT_STREQ(document.GetLastErrorMessage(), c.message);
    EXPECT_STREQ(document.GetLastErrorLocation(), L"");
    EXPECT_FALSE(document.IsValid());
  }
}

TEST_F(ResourceSettings, GarbageMemoryPackageIsAZipOpenFailure) {
  static const char garbage[] = "not a zip archive at all";
  CResourceSettingsUI::SetResourceZip(garbage, sizeof garbage);
  EXPECT_EQ(CResourceSettingsUI::GetResourceZipHandle(), nullptr);
  CXmlDocument document;
  EXPECT_FALSE(document.LoadFromFile(L"MainWindow.xml"));
  EXPECT_STREQ(document.GetLastErrorMessage(), L"Error opening zip file");
}

TEST_F(ResourceSettings, WithoutPackageFilesComeFromTheResourcePath) {
  TempDir dir(L"skin files");
  ASSERT_TRUE(WriteBytes(dir / L"a.xml", "<Window/>"));
  ASSERT_TRUE(WriteBytes(dir / L"empty.xml", ""));
  // Exactly 4 MiB is accepted, one byte more is not.
  std::string big = "<Window/>";
  big.resize(CXmlDocument::kMaxFileSize, ' ');
  ASSERT_TRUE(WriteBytes(dir / L"big.xml", big));
  ASSERT_TRUE(WriteBytes(dir / L"huge.xml", big + " "));
  std::wstring path = dir.Path();
  path.pop_back();  // the setter adds the separator
  CResourceSettingsUI::SetResourcePath(path.c_str());

  EXPECT_EQ(Read(L"a.xml"), "<Window/>");
  Read(L"none.xml", SkinReadResult::FileOpenFailed);
  Read(L"empty.xml", SkinReadResult::Empty);

  struct Case {
    const wchar_t* name;
    bool loads;
    const wchar_t* message;
  } cases[] = {
      {L"a.xml", true, L""},
      {L"big.xml", true, L""},
      {L"huge.xml", false, L"File too large"},
      {L"empty.xml", false, L"File is empty"},
      {L"none.xml", false, L"Error opening file"},
  };
  for (const Case& c : cases) {
    CXmlDocument document;
    EXPECT_EQ(document.LoadFromFile(c.name), c.loads) << Narrow(c.name);
    EXPECT_STREQ(document.GetLastErrorMessage(), c.message);
    if (c.loads) {
      EXPECT_STREQ(document.GetRoot().GetName(), L"Window");
    }
  }
}

TEST_F(ResourceSettings, FilePackageCachedOrOpenedForEachRead) {
  TempDir dir(L"skin zip");
  ASSERT_TRUE(WriteBytes(dir / L"skin.zip", SkinPackageBytes()));
  CResourceSettingsUI::SetResourcePath(dir.Path().c_str());

  CResourceSettingsUI::SetResourceZip(L"skin.zip", true);
  EXPECT_NE(CResourceSettingsUI::GetResourceZipHandle(), nullptr);
  EXPECT_EQ(Read(L"MessageBox.xml"), SkinMember(L"MessageBox.xml"));

  CResourceSettingsUI::SetResourceZip(L"skin.zip", false);
  EXPECT_EQ(CResourceSettingsUI::GetResourceZipHandle(), nullptr);
  EXPECT_FALSE(CResourceSettingsUI::IsCachedResourceZip());
  EXPECT_EQ(Read(L"MainWindow.xml"), SkinMember(L"MainWindow.xml"));

  CResourceSettingsUI::SetResourceZip(L"absent.zip", false);
  Read(L"MainWindow.xml", SkinReadResult::ZipOpenFailed);
  CResourceSettingsUI::SetResourceZip(L"absent.zip", true);
  Read(L"MainWindow.xml", SkinReadResult::ZipOpenFailed);
}

TEST_F(ResourceSettings, ZipResourceIsCopiedOnceAndMissingOneSetsNothing) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  EXPECT_FALSE(CResourceSettingsUI::InstallZipResource(self, 102));
  EXPECT_EQ(CResourceSettingsUI::GetResourceZip(), L"");

  ASSERT_TRUE(CResourceSettingsUI::InstallZipResource(self, 101));
  EXPECT_EQ(CResourceSettingsUI::GetResourceZip(), L"membuffer");
  EXPECT_EQ(Read(L"MainWindow.xml"), SkinMember(L"MainWindow.xml"));
}

TEST_F(ResourceSettings, ResourceModuleDefaultsToTheInstance) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  CResourceSettingsUI::SetInstance(self);
  EXPECT_EQ(CResourceSettingsUI::GetResourceModule(), self);
  std::vector<BYTE> bytes;
  ASSERT_TRUE(CResourceSettingsUI::ReadResource(MAKEINTRESOURCEW(101), L"ZIPRES", bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), SkinPackageBytes());
  EXPECT_FALSE(CResourceSettingsUI::ReadResource(MAKEINTRESOURCEW(101), L"XML", bytes));
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
