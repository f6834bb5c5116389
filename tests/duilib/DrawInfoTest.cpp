#include <gtest/gtest.h>

#include <string>

#include "duilib/core/CRenderEngine.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/core/TDrawInfo.h"

using DuiLib::CRenderEngine;
using DuiLib::CWindowHostUI;
using DuiLib::TDrawInfo;

namespace {

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct ParseCase {
  const wchar_t* text;
  const wchar_t* name;
  const wchar_t* resType;
  RECT dest;
  RECT source;
  RECT corner;
  DWORD mask;
  int fade;
  bool hole, xtiled, ytiled, hsl;
};

TEST(DrawInfo, AttributeLanguage) {
  const RECT z = {0, 0, 0, 0};
  const ParseCase cases[] = {
      // A bare name is the whole text, blanks and all.
      {L"img/pic_bg.png", L"img/pic_bg.png", L"", z, z, z, 0, 255, false, false, false, false},
      {L"my pic.png", L"my pic.png", L"", z, z, z, 0, 255, false, false, false, false},
      {L"file='img/icon_close.png' source='28,0,56,28'",
       L"img/icon_close.png",
       L"",
       z,
       {28, 0, 56, 28},
       z,
       0,
       255,
       false,
       false,
       false,
       false},
      {L"file='a.png' dest='1,2,3,4' corner='5,6,7,8'",
       L"a.png",
       L"",
       {1, 2, 3, 4},
       z,
       {5, 6, 7, 8},
       0,
       255,
       false,
       false,
       false,
       false},
      {L"file='a.png' scale9='2,2,2,2'", L"a.png", L"", z, z, {2, 2, 2, 2}, 0, 255, false, false, false, false},
      {L"file='a.png' mask='#FFFF00FF'", L"a.png", L"", z, z, z, 0xFFFF00FF, 255, false, false, false, false},
      {L"file='a.png' mask='FF00FF00'", L"a.png", L"", z, z, z, 0xFF00FF00, 255, false, false, false, false},
      {L"file='a.png' fade='128'", L"a.png", L"", z, z, z, 0, 128, false, false, false, false},
      {L"file='a.png' fade='300'", L"a.png", L"", z, z, z, 0, 255, false, false, false, false},
      {L"file='a.png' fade='-5'", L"a.png", L"", z, z, z, 0, 0, false, false, false, false},
      {L"file='a.png' hole='true' xtiled='true' ytiled='true' hsl='true'", L"a.png", L"", z, z, z, 0, 255, true, true,
       true, true},
      // Flags are case-sensitive.
      {L"file='a.png' hole='TRUE' xtiled='1'", L"a.png", L"", z, z, z, 0, 255, false, false, false, false},
      {L"res='101' restype='PNG'", L"101", L"PNG", z, z, z, 0, 255, false, false, false, false},
      {L"restype='PNG' res='pic'", L"pic", L"PNG", z, z, z, 0, 255, false, false, false, false},
      // The resource type belongs to `res` only.
      {L"file='a.png' restype='PNG'", L"a.png", L"", z, z, z, 0, 255, false, false, false, false},
      {L"color='#FF2BA2F9'", L"#FF2BA2F9", L"*COLOR*", z, z, z, 0, 255, false, false, false, false},
      // Blanks around '=' are allowed; keys are case-sensitive; unknown keys are skipped.
      {L"  file = 'a.png'   source = '1,1,2,2'", L"a.png", L"", z, {1, 1, 2, 2}, z, 0, 255, false, false, false, false},
      {L"FILE='a.png'", L"FILE='a.png'", L"", z, z, z, 0, 255, false, false, false, false},
      {L"foo='x' file='a.png'", L"a.png", L"", z, z, z, 0, 255, false, false, false, false},
      // An empty value is ignored.
      {L"file='a.png' file='' source=''", L"a.png", L"", z, z, z, 0, 255, false, false, false, false},
      // Syntax violations stop parsing and keep what was read.
      {L"file='a.png' source='1,2,3,4", L"a.png", L"", z, z, z, 0, 255, false, false, false, false},
      {L"file='a.png' source=1,2,3,4", L"a.png", L"", z, z, z, 0, 255, false, false, false, false},
      {L"file='a.png' source", L"a.png", L"", z, z, z, 0, 255, false, false, false, false},
      {L"file='a.png'source='1,2,3,4'", L"a.png", L"", z, z, z, 0, 255, false, false, false, false},
      {L"source='1,2,3,4' file=\"b.png\"",
       L"source='1,2,3,4' file=\"b.png\"",
       L"",
       z,
       {1, 2, 3, 4},
       z,
       0,
       255,
       false,
       false,
       false,
       false},
      {L"file='a.png' ", L"a.png", L"", z, z, z, 0, 255, false, false, false, false},
      {L"", L"", L"", z, z, z, 0, 255, false, false, false, false},
      // Rectangles follow the list rule: one separator after each number.
      {L"file='a.png' source='1,2'", L"a.png", L"", z, {1, 2, 0, 0}, z, 0, 255, false, false, false, false},
      {L"file='a.png' source='1, 2,3,4'", L"a.png", L"", z, {1, 2, 3, 4}, z, 0, 255, false, false, false, false},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "text: " << testing::PrintToString(std::wstring(c.text)));
    TDrawInfo info;
    info.SetDrawString(c.text);
    info.Parse();
    EXPECT_TRUE(info.loaded);
    EXPECT_EQ(info.drawString, c.text);
    EXPECT_EQ(info.imageName, c.name);
    EXPECT_EQ(info.resType, c.resType);
    EXPECT_TRUE(info.dest == c.dest);
    EXPECT_TRUE(info.source == c.source);
    EXPECT_TRUE(info.corner == c.corner);
    EXPECT_EQ(info.mask, c.mask);
    EXPECT_EQ(info.fade, c.fade);
    EXPECT_EQ(info.hole, c.hole);
    EXPECT_EQ(info.tiledX, c.xtiled);
    EXPECT_EQ(info.tiledY, c.ytiled);
    EXPECT_EQ(info.hsl, c.hsl);
    EXPECT_EQ(info.image, nullptr);
  }
}

TEST(DrawInfo, SetDrawStringClearsOnlyWhenNeeded) {
  TDrawInfo info;
  EXPECT_TRUE(info.SetDrawString(L"file='a.png' fade='10'"));
  info.Parse();
  ASSERT_EQ(info.fade, 10);
  // Same text, image not resolved: cleared again (fade back to 255).
  EXPECT_TRUE(info.SetDrawString(L"file='a.png' fade='10'"));
  EXPECT_FALSE(info.loaded);
  EXPECT_EQ(info.fade, 255);
  EXPECT_EQ(info.drawString, L"file='a.png' fade='10'");

  // Same text with the image resolved: nothing changes.
  CWindowHostUI host;
  TDrawInfo color;
  color.SetDrawString(L"color='#FF102030' fade='10'");
  ASSERT_TRUE(CRenderEngine::ResolveImageInfo(&host, color));
  EXPECT_FALSE(color.SetDrawString(L"color='#FF102030' fade='10'"));
  EXPECT_NE(color.image, nullptr);
  EXPECT_EQ(color.fade, 10);
  // Another text: everything goes.
  EXPECT_TRUE(color.SetDrawString(L"img/x.png"));
  EXPECT_EQ(color.image, nullptr);
  EXPECT_FALSE(color.loaded);
  EXPECT_EQ(color.fade, 255);
}

TEST(DrawInfo, LanguageStrings) {
  CWindowHostUI::AddMultiLanguageString(7, L"seven");
  CWindowHostUI::AddMultiLanguageString(12, L"%{7}");
  const struct {
    const wchar_t* text;
    const wchar_t* shown;
  } cases[] = {
      {L"%{7}", L"seven"},
      {L"a%{7}b%{7}c", L"asevenbsevenc"},
      {L"%{8}", L"%{8}"},   // no string 8
      {L"%{12}", L"%{7}"},  // replaced once, not again
      {L"%{}", L"%{}"},
      {L"%{7", L"%{7"},
      {L"%7}", L"%7}"},
      {L"%{x7}", L"%{x7}"},
      {L"%{-7}", L"%{-7}"},
      {L"%%{7}", L"%seven"},
      {L"%{99999999999999999999}", L"%{99999999999999999999}"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CRenderEngine::ReplaceLanguageStrings(c.text), c.shown) << testing::PrintToString(std::wstring(c.text));
  }
}

}  // namespace
