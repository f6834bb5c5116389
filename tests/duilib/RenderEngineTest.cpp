#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "duilib/core/CImageCacheUI.h"
#include "duilib/core/CRenderEngine.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/core/TDrawInfo.h"
#include "tests/duilib/DibCanvas.h"
#include "tests/duilib/SkinBytes.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using DuiLib::CImageCacheUI;
using DuiLib::CRenderEngine;
using DuiLib::CResourceSettingsUI;
using DuiLib::CWindowHostUI;
using DuiLib::TDrawInfo;
using DuiLib::TImageInfo;

namespace {

constexpr DWORD kRgb = 0x00FFFFFF;

// Channels of two colours differ by at most `tolerance` (alpha ignored).
bool Near(DWORD a, DWORD b, int tolerance = 1) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  }
  return true;
}

// How many pixels outside `rc` differ in colour from `rgb`.
int ChangedOutside(const DibCanvas& canvas, const RECT& rc, DWORD rgb) {
  int count = 0;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      const POINT pt = {x, y};
      if (!::PtInRect(&rc, pt) && (canvas.Pixel(x, y) & kRgb) != rgb) ++count;
    }
  return count;
}

// Every drawing test runs with the platform's AlphaBlend and GradientFill
// and with the built-in replacements.
class RenderEngine : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { CRenderEngine::SetPlatformEntryPointsForTesting(GetParam()); }
  void TearDown() override { CRenderEngine::SetPlatformEntryPointsForTesting(true); }
};
INSTANTIATE_TEST_SUITE_P(Entries, RenderEngine, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Platform") : std::string("BuiltIn");
                         });

TEST_P(RenderEngine, FillColor) {
  const RECT rc = {5, 6, 25, 16};
  const struct {
    DWORD color;
    DWORD background;
    DWORD inside;  // expected colour inside rc
  } cases[] = {
      {0xFF2BA2F9, 0xFF000000, 0x2BA2F9}, {0xFF17212E, 0xFFFFFFFF, 0x17212E},
      {0x80FF0000, 0xFF0000FF, 0x80007F},  // 255 * 128/255 red over 255 * 127/255 blue
      {0x40FFFFFF, 0xFF000000, 0x404040}, {0x00FF0000, 0xFF0000FF, 0x0000FF},  // written with six digits: nothing drawn
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.color);
    DibCanvas canvas(30, 20);
    canvas.Fill(c.background);
    CRenderEngine::DrawColor(canvas.dc(), rc, c.color);
    EXPECT_TRUE(Near(canvas.Pixel(rc.left, rc.top), c.inside)) << std::hex << canvas.Pixel(rc.left, rc.top);
    EXPECT_TRUE(Near(canvas.Pixel(rc.right - 1, rc.bottom - 1), c.inside));
    EXPECT_TRUE(Near(canvas.Pixel(15, 10), c.inside));
    EXPECT_EQ(ChangedOutside(canvas, rc, c.background & kRgb), 0);
  }
}

TEST_P(RenderEngine, PenUsesRedGreenBlueOnly) {
  DibCanvas canvas(30, 20);
  canvas.Fill(0xFF000000);
  CRenderEngine::DrawLine(canvas.dc(), RECT{2, 5, 20, 5}, 1, 0x807D8EAC);
  EXPECT_EQ(canvas.Pixel(2, 5) & kRgb, 0x7D8EACu);
  EXPECT_EQ(canvas.Pixel(19, 5) & kRgb, 0x7D8EACu);
  EXPECT_EQ(canvas.Pixel(20, 5) & kRgb, 0u);  // the end point is not drawn
  EXPECT_EQ(ChangedOutside(canvas, RECT{2, 5, 20, 6}, 0), 0);
  // A colour without alpha still draws a line (the alpha is not looked at).
  CRenderEngine::DrawLine(canvas.dc(), RECT{2, 8, 2, 18}, 1, 0x00FF0000);
  EXPECT_EQ(canvas.Pixel(2, 10) & kRgb, 0xFF0000u);
}

TEST_P(RenderEngine, FramesStayInsideTheirRectangle) {
  const RECT rc = {10, 10, 30, 25};
  const struct {
    int size;
    bool round;
  } cases[] = {{1, false}, {3, false}, {1, true}, {2, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << (c.round ? " round" : ""));
    DibCanvas canvas(40, 35);
    canvas.Fill(0xFF000000);
    if (c.round)
      CRenderEngine::DrawRoundRect(canvas.dc(), rc, c.size, 4, 4, 0x807D8EAC);
    else
      CRenderEngine::DrawRect(canvas.dc(), rc, c.size, 0x807D8EAC);
    EXPECT_EQ(ChangedOutside(canvas, rc, 0), 0);
    // The middle of each side is drawn, to the full pen size, at the rectangle's edge.
    for (int i = 0; i < c.size; ++i) {
      EXPECT_EQ(canvas.Pixel(20, rc.top + i) & kRgb, 0x7D8EACu);
      EXPECT_EQ(canvas.Pixel(20, rc.bottom - 1 - i) & kRgb, 0x7D8EACu);
      EXPECT_EQ(canvas.Pixel(rc.left + i, 17) & kRgb, 0x7D8EACu);
      EXPECT_EQ(canvas.Pixel(rc.right - 1 - i, 17) & kRgb, 0x7D8EACu);
    }
    // Not filled.
    EXPECT_EQ(canvas.Pixel(rc.left + c.size, 17) & kRgb, 0u);
    EXPECT_EQ(canvas.Pixel(20, rc.top + c.size) & kRgb, 0u);
  }
}

TEST_P(RenderEngine, Gradients) {
  for (bool vertical : {true, false}) {
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    DibCanvas canvas(70, 70);
    canvas.Fill(0xFF0000FF);
    const RECT rc = {3, 3, 67, 67};
    CRenderEngine::DrawGradient(canvas.dc(), rc, 0xFF000000, 0xFFFFFFFF, vertical, 16);
    EXPECT_EQ(ChangedOutside(canvas, rc, 0x0000FF), 0);
    auto at = [&](int along, int across) {
      return canvas.Pixel(vertical ? across : along, vertical ? along : across) & kRgb;
    };
    EXPECT_LT(at(3, 30) & 0xFF, 0x20u);   // starts dark
    EXPECT_GT(at(66, 30) & 0xFF, 0xD0u);  // ends light
    for (int i = 4; i < 67; ++i) {
      EXPECT_GE(at(i, 30) & 0xFF, at(i - 1, 30) & 0xFF) << i;
      EXPECT_EQ(at(i, 4), at(i, 65)) << i;  // constant across the bands
      const DWORD grey = at(i, 30);
      EXPECT_EQ(grey, (grey & 0xFF) * 0x010101u) << i;
    }
  }
}

TEST_P(RenderEngine, GradientAlphaIsTheAverage) {
  const struct {
    DWORD color1, color2, background, expected;
  } cases[] = {
      {0x80FF0000, 0x80FF0000, 0xFF000000, 0x800000},
      {0xFFFF0000, 0x01FF0000, 0xFF000000, 0x800000},  // (255 + 1) / 2 = 128
      {0x00FF0000, 0x01FF0000, 0xFF0000FF, 0x0000FF},  // average 0: nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.color1 << " " << c.color2);
    DibCanvas canvas(20, 20);
    canvas.Fill(c.background);
    const RECT rc = {2, 2, 18, 18};
    CRenderEngine::DrawGradient(canvas.dc(), rc, c.color1, c.color2, true, 16);
    EXPECT_TRUE(Near(canvas.Pixel(10, 10), c.expected)) << std::hex << canvas.Pixel(10, 10);
    EXPECT_EQ(ChangedOutside(canvas, rc, c.background & kRgb), 0);
  }
}

// A 6 x 6 test picture: 2-pixel corners red, green, blue, yellow; the
// edges between them grey; the 2 x 2 middle white.
std::unique_ptr<TImageInfo> NineGridImage(BYTE alpha) {
  DibCanvas picture(6, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool left = x < 2, right = x >= 4, top = y < 2, bottom = y >= 4;
      DWORD rgb = 0x808080;
      if (left && top) rgb = 0xFF0000;
      if (right && top) rgb = 0x00FF00;
      if (left && bottom) rgb = 0x0000FF;
      if (right && bottom) rgb = 0xFFFF00;
      if (!left && !right && !top && !bottom) rgb = 0xFFFFFF;
      picture.SetPixel(x, y, (DWORD(alpha) << 24) | rgb);
    }
  const std::string png = picture.PngBytes();
  return CImageCacheUI::Decode(reinterpret_cast<const BYTE*>(png.data()), png.size(), 0, false);
}

TEST_P(RenderEngine, NineGridCopiesCornersAtTheirSize) {
  auto image = NineGridImage(255);
  ASSERT_NE(image, nullptr);
  const RECT rc = {0, 0, 30, 20};
  const struct {
    bool alpha;
    bool hole;
  } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "alpha " << c.alpha << " hole " << c.hole);
    DibCanvas canvas(32, 22);
    canvas.Fill(0xFF000000);
    CRenderEngine::DrawImage(canvas.dc(), image->bitmap.Get(), rc, rc, RECT{0, 0, 6, 6}, RECT{2, 2, 2, 2}, c.alpha, 255,
                             c.hole);
    const struct {
      int x, y;
      DWORD rgb;
    } probes[] = {
        {0, 0, 0xFF0000},
        {1, 1, 0xFF0000},
        {28, 0, 0x00FF00},
        {29, 1, 0x00FF00},
        {0, 18, 0x0000FF},
        {1, 19, 0x0000FF},
        {28, 18, 0xFFFF00},
        {29, 19, 0xFFFF00},
        {2, 0, 0x808080},
        {27, 1, 0x808080},
        {0, 2, 0x808080},
        {29, 17, 0x808080},
        {15, 19, 0x808080},
        {2, 2, c.hole ? 0u : 0xFFFFFFu},
        {15, 10, c.hole ? 0u : 0xFFFFFFu},
        {27, 17, c.hole ? 0u : 0xFFFFFFu},
    };
    for (const auto& p : probes) EXPECT_EQ(canvas.Pixel(p.x, p.y) & kRgb, p.rgb) << p.x << "," << p.y;
    EXPECT_EQ(ChangedOutside(canvas, rc, 0), 0);
  }
}

TEST_P(RenderEngine, OpaqueImageAtItsSizeCopiesOnlyTheDirtyPart) {
  auto image = NineGridImage(255);
  ASSERT_NE(image, nullptr);
  DibCanvas canvas(20, 20);
  canvas.Fill(0xFF000000);
  const RECT rc = {10, 10, 16, 16};
  CRenderEngine::DrawImage(canvas.dc(), image->bitmap.Get(), rc, RECT{0, 0, 12, 20}, RECT{0, 0, 6, 6}, RECT{0, 0, 0, 0},
                           false);
  EXPECT_EQ(canvas.Pixel(10, 10) & kRgb, 0xFF0000u);
  EXPECT_EQ(canvas.Pixel(11, 15) & kRgb, 0x0000FFu);
  EXPECT_EQ(ChangedOutside(canvas, RECT{10, 10, 12, 16}, 0), 0);
  // A dirty rectangle that misses the image draws nothing.
  DibCanvas other(20, 20);
  CRenderEngine::DrawImage(other.dc(), image->bitmap.Get(), rc, RECT{0, 0, 5, 5}, RECT{0, 0, 6, 6}, RECT{0, 0, 0, 0},
                           true);
  EXPECT_EQ(ChangedOutside(other, RECT{0, 0, 0, 0}, 0), 0);
}

TEST_P(RenderEngine, TranslucentImagesAndFadeBlend) {
  auto half = CImageCacheUI::Load(L"#80FF0000", L"*COLOR*", 0, false);
  auto opaque = CImageCacheUI::Load(L"#FFFF0000", L"*COLOR*", 0, false);
  ASSERT_NE(half, nullptr);
  ASSERT_NE(opaque, nullptr);
  const struct {
    const TImageInfo* image;
    BYTE fade;
    DWORD expected;
  } cases[] = {
      {half.get(), 255, 0x80007F},
      {opaque.get(), 128, 0x80007F},
      {half.get(), 128, 0x4000BF},  // 128 * 128/255 of the colour, the rest blue
      {opaque.get(), 0, 0x0000FF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.fade));
    DibCanvas canvas(12, 12);
    canvas.Fill(0xFF0000FF);
    const RECT rc = {2, 2, 10, 10};
    CRenderEngine::DrawImage(canvas.dc(), c.image->bitmap.Get(), rc, rc, RECT{0, 0, 1, 1}, RECT{0, 0, 0, 0},
                             c.image->alpha, c.fade);
    EXPECT_TRUE(Near(canvas.Pixel(5, 5), c.expected, 2)) << std::hex << canvas.Pixel(5, 5);
    EXPECT_EQ(ChangedOutside(canvas, rc, 0x0000FF), 0);
  }
}

TEST_P(RenderEngine, TiledMiddle) {
  DibCanvas strip(3, 2);
  const DWORD colors[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  for (int x = 0; x < 3; ++x) strip.SetPixel(x, 0, colors[x]), strip.SetPixel(x, 1, colors[x] | 0x808080);
  const std::string png = strip.PngBytes();
  auto image = CImageCacheUI::Decode(reinterpret_cast<const BYTE*>(png.data()), png.size(), 0, false);
  ASSERT_NE(image, nullptr);
  const struct { bool xtiled, ytiled; } cases[] = {{true, false}, {false, true}, {true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.xtiled << c.ytiled);
    DibCanvas canvas(8, 5);
    const RECT rc = {0, 0, 8, 5};
    CRenderEngine::DrawImage(canvas.dc(), image->bitmap.Get(), rc, rc, RECT{0, 0, 3, 2}, RECT{0, 0, 0, 0}, false, 255,
                             false, c.xtiled, c.ytiled);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 8; ++x) {
        // Tiled, the source repeats at its size from the top-left. Stretched,
        // only the ends are certain (the platform picks the pixels between).
        const bool xEnd = x == 0 || x == 7;
        const bool yEnd = y == 0 || y == 4;
        if ((!c.xtiled && !xEnd) || (!c.ytiled && !yEnd)) continue;
        const int sx = c.xtiled ? x % 3 : (x == 0 ? 0 : 2);
        const int sy = c.ytiled ? y % 2 : (y == 0 ? 0 : 1);
        const DWORD want = (colors[sx] | (sy ? 0x808080u : 0u)) & kRgb;
        EXPECT_EQ(canvas.Pixel(x, y) & kRgb, want) << x << "," << y;
      }
  }
}

class RenderWithHost : public RenderEngine {
 protected:
  void SetUp() override {
    RenderEngine::SetUp();
    CResourceSettingsUI::ResetForTesting();
    static const std::string package = SkinPackageBytes();
    CResourceSettingsUI::SetResourceZip(package.data(), package.size());
  }
  void TearDown() override {
    CResourceSettingsUI::ResetForTesting();
    RenderEngine::TearDown();
  }
  CWindowHostUI host_;
};
INSTANTIATE_TEST_SUITE_P(Entries, RenderWithHost, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Platform") : std::string("BuiltIn");
                         });

// The pixels an attribute draws into a fresh w x h canvas over `background`.
std::string Paint(CWindowHostUI* host, const std::wstring& attribute, int w, int h, DWORD background, bool* drawn,
                  RECT item = {0, 0, 0, 0}) {
  DibCanvas canvas(w, h);
  canvas.Fill(background);
  if (item.right == 0) item = RECT{0, 0, w, h};
  TDrawInfo info;
  info.SetDrawString(attribute);
  *drawn = CRenderEngine::DrawImageInfo(canvas.dc(), host, item, RECT{0, 0, w, h}, info);
  std::string pixels;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels += std::to_string(canvas.Pixel(x, y) & kRgb) + ",";
  return pixels;
}

TEST_P(RenderWithHost, SourcePartsOfTheCloseImage) {
  bool drawn = false;
  const std::string right = Paint(&host_, L"file='img/icon_close.png' source='28,0,56,28'", 28, 28, 0xFF17212E, &drawn);
  EXPECT_TRUE(drawn);
  const std::string left = Paint(&host_, L"file='img/icon_close.png' source='0,0,28,28'", 28, 28, 0xFF17212E, &drawn);
  EXPECT_TRUE(drawn);
  EXPECT_NE(left, right);  // normal and hot halves differ
  // A source beyond the image is cut to it: the same right half.
  EXPECT_EQ(Paint(&host_, L"file='img/icon_close.png' source='28,0,90,40'", 28, 28, 0xFF17212E, &drawn), right);

  TDrawInfo info;
  info.SetDrawString(L"file='img/icon_close.png' source='28,-3,90,40'");
  ASSERT_TRUE(CRenderEngine::ResolveImageInfo(&host_, info));
  EXPECT_EQ(info.source.left, 28);
  EXPECT_EQ(info.source.top, 0);
  EXPECT_EQ(info.source.right, 56);
  EXPECT_EQ(info.source.bottom, 28);
  EXPECT_EQ(info.image, host_.GetImage(L"img/icon_close.png"));  // decoded once, cached in the host

  TDrawInfo whole;
  whole.SetDrawString(L"img/pic_bg.png");
  ASSERT_TRUE(CRenderEngine::ResolveImageInfo(&host_, whole));
  EXPECT_EQ(whole.source.right, whole.image->width);
  EXPECT_EQ(whole.source.bottom, whole.image->height);
}

TEST_P(RenderWithHost, ResolveOutcomes) {
  const struct {
    const wchar_t* attribute;
    bool withHost;
    bool drawn;
  } cases[] = {
      {L"img/icon_logo.png", true, true},        {L"", true, false}, {L"img/missing.png", true, false},
      {L"file='img/icon_logo.png", true, false},  // a broken item leaves the whole text as the name
      {L"img/icon_logo.png", false, true},        // no host: nothing drawn, nothing to report
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.attribute)));
    DibCanvas canvas(8, 8);
    canvas.Fill(0xFF000000);
    TDrawInfo info;
    info.SetDrawString(c.attribute);
    CWindowHostUI* host = c.withHost ? &host_ : nullptr;
    EXPECT_EQ(CRenderEngine::DrawImageInfo(canvas.dc(), host, RECT{0, 0, 8, 8}, RECT{0, 0, 8, 8}, info), c.drawn);
    if (!c.withHost) {
      EXPECT_EQ(ChangedOutside(canvas, RECT{0, 0, 0, 0}, 0), 0);
      EXPECT_FALSE(CRenderEngine::ResolveImageInfo(nullptr, info));
      continue;
    }
    EXPECT_EQ(info.image != nullptr, c.drawn);
    // A failure is not retried: the second call answers at once from the flag.
    EXPECT_EQ(CRenderEngine::ResolveImageInfo(&host_, info), c.drawn);
  }
}

TEST_P(RenderWithHost, DestinationOffsetsAndMask) {
  const struct {
    const wchar_t* attribute;
    RECT item;
    RECT red;  // where the red ends up
  } cases[] = {
      {L"color='#FFFF0000'", {2, 2, 12, 12}, {2, 2, 12, 12}},
      {L"color='#FFFF0000' dest='2,3,6,8'", {2, 2, 12, 12}, {4, 5, 8, 10}},
      {L"color='#FFFF0000' dest='5,5,30,30'", {2, 2, 12, 12}, {7, 7, 12, 12}},  // cut at the item
      {L"color='#FFFF0000' dest='20,20,30,30'", {2, 2, 12, 12}, {0, 0, 0, 0}},  // outside: nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.attribute)));
    DibCanvas canvas(20, 20);
    canvas.Fill(0xFF000000);
    TDrawInfo info;
    info.SetDrawString(c.attribute);
    EXPECT_TRUE(CRenderEngine::DrawImageInfo(canvas.dc(), &host_, c.item, RECT{0, 0, 20, 20}, info));
    EXPECT_EQ(canvas.CountNot(c.red, 0xFF0000 | (canvas.Pixel(c.red.left, c.red.top) & 0xFF000000)), 0);
    EXPECT_EQ(ChangedOutside(canvas, c.red, 0), 0);
  }

  // mask='#FFFF00FF' keys opaque magenta out: the background shows through.
  TempDir dir;
  DibCanvas picture(2, 1);
  picture.SetPixel(0, 0, 0xFFFF00FF);
  picture.SetPixel(1, 0, 0xFF102030);
  const std::wstring path = dir / L"keyed.png";
  ASSERT_TRUE(WriteBytes(path, picture.PngBytes()));
  for (bool masked : {false, true}) {
    DibCanvas canvas(2, 1);
    canvas.Fill(0xFF00FF00);
    TDrawInfo info;
    info.SetDrawString(L"file='" + path + L"'" + (masked ? L" mask='#FFFF00FF'" : L""));
    CWindowHostUI host;  // its own cache: the two loads must not share a record
    ASSERT_TRUE(CRenderEngine::DrawImageInfo(canvas.dc(), &host, RECT{0, 0, 2, 1}, RECT{0, 0, 2, 1}, info));
    EXPECT_EQ(canvas.Pixel(0, 0) & kRgb, masked ? 0x00FF00u : 0xFF00FFu);
    EXPECT_EQ(canvas.Pixel(1, 0) & kRgb, 0x102030u);
  }
}

// Text pixels drawn by the engine, or directly by the platform for comparison.
std::string TextPixels(CWindowHostUI* host, const std::wstring& text, bool engine, UINT platformFlags = DT_NOPREFIX) {
  DibCanvas canvas(120, 24);
  canvas.Fill(0xFF000000);
  RECT rc = {0, 0, 120, 24};
  if (engine) {
    CRenderEngine::DrawText(canvas.dc(), host, rc, text, 0xFFFFFFFF, -1, DT_SINGLELINE | DT_LEFT | DT_TOP);
  } else {
    ::SetBkMode(canvas.dc(), TRANSPARENT);
    ::SetTextColor(canvas.dc(), RGB(255, 255, 255));
    HGDIOBJ old = ::SelectObject(canvas.dc(), host->GetFont(-1));
    ::DrawTextW(canvas.dc(), text.c_str(), -1, &rc, DT_SINGLELINE | DT_LEFT | DT_TOP | platformFlags);
    ::SelectObject(canvas.dc(), old);
  }
  std::string pixels;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 120; ++x) pixels += (canvas.Pixel(x, y) & kRgb) ? '#' : '.';
  return pixels;
}

TEST_P(RenderWithHost, TextWithLanguageStringsAndNoPrefix) {
  CWindowHostUI::AddMultiLanguageString(7, L"Hello");
  const std::string hello = TextPixels(&host_, L"Hello", false);
  ASSERT_NE(hello.find('#'), std::string::npos);
  EXPECT_EQ(TextPixels(&host_, L"%{7}", true), hello);
  // Without a language string the text is drawn as written.
  EXPECT_EQ(TextPixels(&host_, L"%{9}", true), TextPixels(&host_, L"%{9}", false));
  EXPECT_NE(TextPixels(&host_, L"%{9}", true), hello);
  // '&' is shown, not taken as a mnemonic marker.
  EXPECT_EQ(TextPixels(&host_, L"A&B", true), TextPixels(&host_, L"A&B", false, DT_NOPREFIX));
  EXPECT_NE(TextPixels(&host_, L"A&B", true), TextPixels(&host_, L"A&B", false, 0));
  // Without a host nothing is drawn.
  EXPECT_EQ(TextPixels(nullptr, L"Hello", true).find('#'), std::string::npos);

  // Measuring: DT_CALCRECT fills the rectangle and draws nothing; the
  // context's own font is back afterwards.
  DibCanvas canvas(120, 24);
  HGDIOBJ before = ::GetCurrentObject(canvas.dc(), OBJ_FONT);
  RECT rc = {0, 0, 0, 0};
  CRenderEngine::DrawText(canvas.dc(), &host_, rc, L"%{7}", 0xFFFFFFFF, -1, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_GT(rc.right, 0);
  EXPECT_EQ(rc.bottom, host_.GetFontInfo(-1)->metrics.tmHeight);
  EXPECT_EQ(canvas.CountNot(RECT{0, 0, 120, 24}, 0), 0);
  EXPECT_EQ(::GetCurrentObject(canvas.dc(), OBJ_FONT), before);
}

}  // namespace
