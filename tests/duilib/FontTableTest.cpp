#include <gtest/gtest.h>

#include <string>

#include "duilib/core/CFontTableUI.h"
#include "tests/duilib/DibCanvas.h"

using DuiLib::CFontTableUI;
using DuiLib::TFontInfo;

namespace {

LOGFONTW LogFontOf(HFONT font) {
  LOGFONTW lf = {};
  ::GetObjectW(font, sizeof(lf), &lf);
  return lf;
}

TEST(FontTable, AddCreatesTheRequestedFont) {
  struct Case {
    int id;
    const wchar_t* face;
    int size;
    bool bold, underline, italic;
    bool registered;
  } cases[] = {
      {1, L"Microsoft YaHei", 12, false, false, false, true},
      {0, L"Tahoma", 20, true, true, true, true},
      {7, L"Arial", 9, false, true, false, true},
      {-1, L"Tahoma", 12, false, false, false, false},  // negative id
      {3, L"", 12, false, false, false, false},         // no face name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    CFontTableUI table;
    TFontInfo* info = table.Add(c.id, c.face, c.size, c.bold, c.underline, c.italic, nullptr);
    ASSERT_EQ(info != nullptr, c.registered);
    EXPECT_EQ(table.Find(c.id), info);
    if (!info) continue;
    EXPECT_EQ(info->face, c.face);
    EXPECT_EQ(info->size, c.size);
    EXPECT_EQ(info->bold, c.bold);
    EXPECT_FALSE(info->hasMetrics);  // no context given
    LOGFONTW lf = LogFontOf(info->font.Get());
    EXPECT_EQ(std::wstring(lf.lfFaceName), c.face);
    EXPECT_EQ(lf.lfHeight, -c.size);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfWeight >= FW_BOLD, c.bold);
    EXPECT_EQ(lf.lfUnderline != 0, c.underline);
    EXPECT_EQ(lf.lfItalic != 0, c.italic);
  }
}

TEST(FontTable, SameIdReplacesAndDeletesTheOldFont) {
  CFontTableUI table;
  TFontInfo* first = table.Add(1, L"Tahoma", 12, false, false, false, nullptr);
  ASSERT_NE(first, nullptr);
  HFONT oldFont = first->font.Get();
  TFontInfo* second = table.Add(1, L"Arial", 16, false, false, false, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(table.Find(1), second);
  EXPECT_EQ(table.Find(1)->face, L"Arial");
  EXPECT_EQ(::GetObjectType(oldFont), 0u);  // the replaced font was deleted
  // A failed registration keeps what is stored.
  EXPECT_EQ(table.Add(1, L"", 16, false, false, false, nullptr), nullptr);
  EXPECT_EQ(table.Find(1), second);
}

TEST(FontTable, LongFaceNameIsCutToTheFaceField) {
  CFontTableUI table;
  std::wstring face(40, L'x');
  TFontInfo* info = table.Add(2, face, 12, false, false, false, nullptr);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(std::wstring(LogFontOf(info->font.Get()).lfFaceName), face.substr(0, LF_FACESIZE - 1));
}

TEST(FontTable, MetricsComeFromTheContext) {
  DibCanvas canvas(4, 4);
  CFontTableUI table;
  TFontInfo* small = table.Add(1, L"Tahoma", 12, false, false, false, canvas.dc());
  ASSERT_NE(small, nullptr);
  EXPECT_TRUE(small->hasMetrics);  // filled at once with a context
  TFontInfo* large = table.Add(2, L"Tahoma", 30, false, false, false, nullptr);
  ASSERT_NE(large, nullptr);
  CFontTableUI::EnsureMetrics(large, nullptr);
  EXPECT_FALSE(large->hasMetrics);
  CFontTableUI::EnsureMetrics(large, canvas.dc());
  ASSERT_TRUE(large->hasMetrics);
  EXPECT_GT(small->metrics.tmHeight, 0);
  EXPECT_GT(large->metrics.tmHeight, small->metrics.tmHeight);
  // Selecting the font for its metrics leaves the context's own font in place.
  EXPECT_NE(::GetCurrentObject(canvas.dc(), OBJ_FONT), large->font.Get());
}

TEST(FontTable, ProcessDefaultIsTheGuiFontWithDefaultCharset) {
  LOGFONTW gui = LogFontOf(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
  TFontInfo* def = CFontTableUI::Shared().Default();
  ASSERT_NE(def, nullptr);
  ASSERT_TRUE(def->font);
  EXPECT_EQ(CFontTableUI::Shared().Default(), def);  // made once
  EXPECT_EQ(def->face, gui.lfFaceName);
  EXPECT_EQ(def->size, -gui.lfHeight);
  LOGFONTW lf = LogFontOf(def->font.Get());
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(lf.lfHeight, gui.lfHeight);

  // A window's table has no default until one is set.
  CFontTableUI table;
  EXPECT_TRUE(table.Default()->face.empty());
  EXPECT_FALSE(table.Default()->font);
  ASSERT_TRUE(table.SetDefault(L"Arial", 14, true, false, false, nullptr));
  EXPECT_EQ(table.Default()->face, L"Arial");
  EXPECT_EQ(LogFontOf(table.Default()->font.Get()).lfHeight, -14);
  EXPECT_FALSE(table.SetDefault(L"", 14, false, false, false, nullptr));
  EXPECT_EQ(table.Default()->face, L"Arial");
}

}  // namespace
