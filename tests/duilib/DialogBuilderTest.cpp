#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "duilib/control/CLabelUI.h"
#include "duilib/core/CDialogBuilder.h"
#include "duilib/core/CFontTableUI.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/core/IDialogBuilderCallback.h"
#include "duilib/layout/IContainer.h"
#include "tests/duilib/ControlTree.h"
#include "tests/support/Files.h"

using namespace DuiLib;

namespace {

// Knows one extra element, "Custom", and counts what it was asked.
class CustomTags : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const wchar_t* className) override {
    ++asked;
    if (std::wstring(className) != L"Custom") return nullptr;
    auto* label = new CLabelUI;
    label->SetName(L"made-by-callback");
    return label;
  }
  int asked = 0;
};

struct BuiltTree {
  CWindowHostUI host;
  std::unique_ptr<CControlUI> root;
};

TEST(DialogBuilder, EdgeCases) {
  UseSkinPackage();
  const struct {
    const char* what;
    const wchar_t* skin;
    const wchar_t* tree;
  } cases[] = {
      {"lower-case tags", L"<window size=\"10,10\"><verticallayout><label/><button/><hbox/></verticallayout></window>",
       L"VerticalLayout(Label,Button,HorizontalLayout)"},
      {"an unknown element before the first layout is skipped", L"<Window><Foo/><HorizontalLayout/></Window>",
       L"HorizontalLayout"},
      {"GifAnim and its subtree are skipped",
       L"<Window><VBox><GifAnim/><gifanim><Label/></gifanim><Label/></VBox></Window>", L"VerticalLayout(Label)"},
      {"resource elements inside a layout are skipped",
       L"<Window><VBox><Font id=\"5\" name=\"Arial\"/><Default name=\"x\" value=\"\"/><Image "
       L"name=\"y\"/><Label/></VBox></Window>",
       L"VerticalLayout(Label)"},
      {"the callback creates what the table does not know", L"<Window><VBox><Custom/><Unknown/></VBox></Window>",
       L"VerticalLayout(Label)"},
      {"a non-container parent stops that level; the parent stays",
       L"<Window><VBox><Label><Button/></Label><Control/></VBox></Window>", L"VerticalLayout(Label,Control)"},
      {"only the first top-level control is the result", L"<Window><Label/><Button/></Window>", L"Label"},
      {"Include builds the file under the parent, count times",
       L"<Window><VBox><Include source=\"MessageBox.xml\" count=\"2\"/><Control/></VBox></Window>",
       L"VerticalLayout(VerticalLayout(HorizontalLayout(Label,Button),Label,HorizontalLayout(Container,Button,Button,"
       L"Container)),VerticalLayout(HorizontalLayout(Label,Button),Label,HorizontalLayout(Container,Button,Button,"
       L"Container)),Control)"},
      {"Include of skin text",
       L"<Window><VBox><Include source=\"&lt;Window&gt;&lt;HBox/&gt;&lt;/Window&gt;\"/></VBox></Window>",
       L"VerticalLayout(HorizontalLayout)"},
      {"an Include without source does nothing", L"<Window><VBox><Include count=\"2\"/></VBox></Window>",
       L"VerticalLayout"},
      {"a document with no element", L"", L"null"},
      {"a document that does not parse", L"<Window><VBox></Window>", L"null"},
  };
  for (const auto& c : cases) {
    BuiltTree built;
    CustomTags callback;
    CDialogBuilder builder;
    const std::wstring text = c.skin[0] ? std::wstring(c.skin) : std::wstring(L"<");
    built.root.reset(builder.Create(text.c_str(), nullptr, &callback, &built.host, nullptr));
    EXPECT_EQ(Narrow(DescribeTree(built.root.get())), Narrow(c.tree)) << c.what;
  }
}

TEST(DialogBuilder, DefaultListsApplyBeforeTheElementsOwnAttributes) {
  ControlTree tree(
      L"<Window><Default name=\"Label\" value=\"width=&quot;33&quot; height=&quot;7&quot;\"/>"
      L"<VBox><Label name=\"a\" width=\"44\"/><label name=\"b\"/></VBox></Window>",
      200, 100);
  ASSERT_NE(tree.root, nullptr);
  EXPECT_EQ(tree.Find(L"a")->GetFixedWidth(), 44);
  EXPECT_EQ(tree.Find(L"a")->GetFixedHeight(), 7);
  // The list is keyed by the name as written: "label" has none.
  EXPECT_EQ(tree.Find(L"b")->GetFixedWidth(), 0);
  EXPECT_STREQ(tree.host->GetDefaultAttributeList(L"Label"), L"width=\"33\" height=\"7\"");
}

TEST(DialogBuilder, WindowAttributesNeedAWindow) {
  ControlTree tree(L"<Window size=\"120,80\" caption=\"0,0,0,36\" custom=\"x\"><VBox/></Window>");
  ASSERT_NE(tree.root, nullptr);
  EXPECT_EQ(tree.host->GetInitSize().cx, 0);
  EXPECT_EQ(tree.host->GetWindowCustomAttribute(L"custom"), nullptr);
}

TEST(DialogBuilder, WindowSizeResizesTheWindowBeforeAnyControlExists) {
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  {
    CWindowHostUI host;
    host.Init(window);
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> root(builder.Create(
        L"<window SIZE=\"120,80\" caption=\"0,0,0,36\" custom=\"x\"><VBox/></window>", nullptr, nullptr, &host));
    ASSERT_NE(root, nullptr);
    RECT rc;
    ::GetWindowRect(window, &rc);
    EXPECT_EQ(rc.right - rc.left, 120);
    EXPECT_EQ(rc.bottom - rc.top, 80);
    EXPECT_EQ(host.GetCaptionRect().bottom, 36);
    EXPECT_STREQ(host.GetWindowCustomAttribute(L"custom"), L"x");
    host.Uninit();
  }
  ::DestroyWindow(window);
}

TEST(DialogBuilder, FontsOfTheSkins) {
  UseSkinPackage();
  {
    ControlTree main(L"MainWindow.xml");
    ASSERT_NE(main.root, nullptr);
    TFontInfo* shared = CFontTableUI::Shared().Find(1);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->face, L"Microsoft YaHei");
    EXPECT_EQ(shared->size, 12);
    EXPECT_EQ(main.host->GetFontInfo(1), shared);
    // No skin registers font 2: it resolves to the default font.
    EXPECT_EQ(main.host->GetFontInfo(2), main.host->GetDefaultFontInfo());
  }
  {
    // The message box registers nothing and still sees the shared font 1.
    ControlTree box(L"MessageBox.xml");
    ASSERT_NE(box.root, nullptr);
    EXPECT_EQ(box.host->GetFontInfo(1), CFontTableUI::Shared().Find(1));
    EXPECT_EQ(box.host->GetFontInfo(2), box.host->GetDefaultFontInfo());
  }
  {
    // A second shared Font id="1" replaces the first for every window.
    ControlTree other(L"<Window><Font id=\"1\" name=\"Arial\" size=\"20\" shared=\"TRUE\"/><VBox/></Window>");
    ASSERT_NE(other.root, nullptr);
    ASSERT_NE(CFontTableUI::Shared().Find(1), nullptr);
    EXPECT_EQ(CFontTableUI::Shared().Find(1)->face, L"Arial");
    EXPECT_EQ(CFontTableUI::Shared().Find(1)->size, 20);
  }
  {
    // Fonts without a name or with a negative id are not registered.
    ControlTree bad(L"<Window><Font id=\"9\" size=\"20\"/><Font id=\"-3\" name=\"Arial\"/><VBox/></Window>");
    EXPECT_EQ(bad.host->GetFontInfo(9), bad.host->GetDefaultFontInfo());
  }
  ControlTree restore(L"MainWindow.xml");
  EXPECT_EQ(CFontTableUI::Shared().Find(1)->face, L"Microsoft YaHei");
}

TEST(DialogBuilder, NumberedResourceAndMissingSources) {
  UseSkinPackage();
  CWindowHostUI host;
  CDialogBuilder missingResource;
  EXPECT_EQ(missingResource.Create(MAKEINTRESOURCEW(4242), L"XML", nullptr, &host), nullptr);
  CDialogBuilder missingFile;
  EXPECT_EQ(missingFile.Create(L"NoSuchSkin.xml", nullptr, nullptr, &host), nullptr);
  CDialogBuilder noLoad;
  EXPECT_EQ(noLoad.Create(nullptr, &host), nullptr);
}

}  // namespace
