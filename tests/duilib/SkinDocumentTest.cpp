#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <utility>

#include "base/UniqueModule.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "duilib/core/CXmlDocument.h"
#include "tests/duilib/SkinBytes.h"
#include "tests/duilib/XmlDescribe.h"
#include "tests/support/Files.h"

using DuiLib::CResourceSettingsUI;
using DuiLib::CXmlDocument;
using DuiLib::CXmlNode;

namespace {

std::wstring ElementNames(CXmlNode node) {
  std::wstring out;
  for (; node.IsValid(); node = node.GetSibling()) {
    if (!out.empty()) out += L",";
    out += node.GetName();
    if (node.HasChildren()) out += L"(" + ElementNames(node.GetChild()) + L")";
  }
  return out;
}

// Width and height from a PNG's header.
std::pair<int, int> PngSize(const std::string& png) {
  if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return {0, 0};
  auto be32 = [&](size_t at) {
    return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  return {be32(16), be32(20)};
}

class SkinDocument : public ::testing::Test {
 protected:
  void SetUp() override { CResourceSettingsUI::ResetForTesting(); }
  void TearDown() override { CResourceSettingsUI::ResetForTesting(); }
};

TEST(UniqueModule, MoveTransfersOwnershipAndFreesOnce) {
  // Load a second reference to the launcher as data, so that freeing it can
  // be observed (the test program holds no other reference).
  const std::wstring path = TestBinDirectory() + L"..\\..\\dist\\launcher.exe";
  HMODULE raw = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(raw, nullptr);
  UniqueModule first(raw);
  UniqueModule second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.Get(), raw);
  second.Reset();
  EXPECT_FALSE(second);
}

TEST_F(SkinDocument, BothSkinsComeFromTheBuiltLaunchersResourceWithWindowAsElement1) {
  const std::wstring path = TestBinDirectory() + L"..\\..\\dist\\launcher.exe";
  UniqueModule launcher(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(launcher) << "build dist/launcher.exe first";
  ASSERT_TRUE(CResourceSettingsUI::InstallZipResource(launcher.Get(), 101));
  launcher.Reset();  // the package was copied

  struct Case {
    const wchar_t* file;
    const wchar_t* tree;
    const wchar_t* size;
  } cases[] = {
      {L"MainWindow.xml",
       L"Window(Font,VerticalLayout(HorizontalLayout(Label,Label,Button),RichEdit,Label,Label,Label))", L"500,310"},
      {L"MessageBox.xml",
       L"Window(VerticalLayout(HorizontalLayout(Label,Button),Label,HorizontalLayout(Container,Button,Button,"
       L"Container)))",
       L"370,208"},
  };
  for (const Case& c : cases) {
    CXmlDocument document;
    ASSERT_TRUE(document.LoadFromFile(c.file)) << Narrow(document.GetLastErrorMessage());
    CXmlNode root = document.GetRoot();
    EXPECT_EQ(ElementNames(root), c.tree);
    EXPECT_STREQ(root.GetAttributeValue(L"size"), c.size);
    EXPECT_STREQ(root.GetAttributeValue(L"caption"), L"0,0,0,36");
    EXPECT_FALSE(root.GetSibling().IsValid());
  }
}

TEST_F(SkinDocument, MainWindowCarriesTheUpdateWindowsLook) {
  static const std::string skin = SkinPackageBytes();
  CResourceSettingsUI::SetResourceZip(skin.data(), skin.size());
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromFile(L"mainwindow.XML"));
  CXmlNode font = document.GetRoot().GetChild();
  EXPECT_EQ(DescribeList(font).substr(0, 52), L"Font{id=1,name=Microsoft YaHei,size=12,shared=true},");
  CXmlNode layout = font.GetSibling();
  EXPECT_STREQ(layout.GetAttributeValue(L"childalign"), L"center");
  EXPECT_STREQ(layout.GetAttributeValue(L"bkcolor"), L"#FF17212E");
  EXPECT_STREQ(layout.GetAttributeValue(L"bkimage"), L"img/pic_bg.png");
  CXmlNode title = layout.GetChild().GetChild().GetSibling();
  EXPECT_STREQ(title.GetAttributeValue(L"text"), L"Tarvo\x52a0\x901f\x5668\x7248\x672c\x5347\x7ea7");
  CXmlNode close = title.GetSibling();
  EXPECT_STREQ(close.GetAttributeValue(L"name"), L"MainWindow_Close_Btn");
  CXmlNode edit = layout.GetChild().GetSibling();
  EXPECT_STREQ(edit.GetAttributeValue(L"name"), L"Msg_RichEdit");
  // The nested attribute list arrives with its quotes decoded.
  EXPECT_STREQ(edit.GetAttributeValue(L"vscrollbarstyle"),
               L"width=\"6\" thumbnormalimage=\"file='img/icon_vscrollbar.png' source='0,0,6,60'\" "
               L"thumbhotimage=\"file='img/icon_vscrollbar.png' source='6,0,12,60'\" "
               L"thumbpushedimage=\"file='img/icon_vscrollbar.png' source='0,0,6,60'\"");
  CXmlNode state = edit.GetSibling();
  EXPECT_STREQ(state.GetAttributeValue(L"name"), L"UpdateState_Label");
  EXPECT_STREQ(state.GetAttributeValue(L"text"), L"\x5347\x7ea7\x4e2d\xff0c\x8bf7\x7a0d\x5019...0%");
  CXmlNode progress = state.GetSibling().GetSibling();
  EXPECT_STREQ(progress.GetAttributeValue(L"name"), L"Progress_Label");
  // pos comes before width and height, so that these set the sizes.
  EXPECT_STREQ(progress.GetAttributeName(2), L"pos");
  EXPECT_STREQ(progress.GetAttributeName(3), L"width");
}

TEST_F(SkinDocument, EveryImageExistsAndHoldsTheSourceRectanglesTheSkinsUse) {
  const std::map<std::wstring, std::pair<int, int>> expectedSizes = {
      {L"img/pic_bg.png", {500, 310}},        {L"img/icon_logo.png", {16, 16}}, {L"img/icon_close.png", {56, 28}},
      {L"img/icon_vscrollbar.png", {12, 60}}, {L"img/buttonA.png", {120, 108}}, {L"img/buttonB.png", {120, 108}},
  };
  for (const auto& [name, size] : expectedSizes) EXPECT_EQ(PngSize(SkinMember(name.c_str())), size) << Narrow(name);

  // Every file='...' source='l,t,r,b' in either skin lies inside its image.
  const std::wregex item(L"file='([^']+)' source='(\\d+),(\\d+),(\\d+),(\\d+)'");
  int checked = 0;
  for (const wchar_t* file : {L"MainWindow.xml", L"MessageBox.xml"}) {
    const std::wstring text = Widen(SkinMember(file));
    for (std::wsregex_iterator it(text.begin(), text.end(), item), end; it != end; ++it) {
      const std::pair<int, int> size = PngSize(SkinMember((*it)[1].str().c_str()));
      const int l = std::stoi((*it)[2]), t = std::stoi((*it)[3]), r = std::stoi((*it)[4]), b = std::stoi((*it)[5]);
      EXPECT_TRUE(l < r && t < b && r <= size.first && b <= size.second) << Narrow(it->str());
      ++checked;
    }
  }
  EXPECT_EQ(checked, 15);  // close x3, scroll thumb x3, OK x3, Cancel x3, message box close x3
}

}  // namespace
