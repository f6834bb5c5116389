#include <gtest/gtest.h>

#include <string>

#include "duilib/core/CImageCacheUI.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "tests/duilib/DibCanvas.h"
#include "tests/duilib/SkinBytes.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using DuiLib::CImageCacheUI;
using DuiLib::CResourceSettingsUI;
using DuiLib::TImageInfo;

namespace {

// 0xAARRGGBB of one pixel of a decoded record (premultiplied).
DWORD At(const TImageInfo& image, int x, int y) {
  const BYTE* p = image.bits + (static_cast<size_t>(y) * image.width + x) * 4;
  return (DWORD(p[3]) << 24) | (DWORD(p[2]) << 16) | (DWORD(p[1]) << 8) | p[0];
}

// A PNG of the given straight (not premultiplied) ARGB pixels, one row.
std::string PngOf(std::initializer_list<DWORD> pixels) {
  DibCanvas canvas(static_cast<int>(pixels.size()), 1);
  int x = 0;
  for (DWORD p : pixels) canvas.SetPixel(x++, 0, p);
  return canvas.PngBytes();
}

std::unique_ptr<TImageInfo> DecodeString(const std::string& bytes, DWORD mask = 0, bool hsl = false) {
  return CImageCacheUI::Decode(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), mask, hsl);
}

class ImageCache : public ::testing::Test {
 protected:
  void SetUp() override { CResourceSettingsUI::ResetForTesting(); }
  void TearDown() override { CResourceSettingsUI::ResetForTesting(); }
};

TEST_F(ImageCache, DecodePremultipliesAndKeysTheMask) {
  const std::string png = PngOf({0xFFFF00FF, 0x80FF0000, 0x00FFFFFF, 0xFF102030, 0x40FF00FF, 0xC0204080});
  const struct {
    DWORD mask;
    DWORD pixels[6];
    bool alpha;
  } cases[] = {
      // value * alpha / 255, integer: 255 * 128 / 255 = 128, 64 * 192 / 255 = 48, ...
      {0, {0xFFFF00FF, 0x80800000, 0x00000000, 0xFF102030, 0x40400040, 0xC0183060}, true},
      // The mask is compared after premultiplying: only the opaque magenta goes.
      {0xFFFF00FF, {0x00000000, 0x80800000, 0x00000000, 0xFF102030, 0x40400040, 0xC0183060}, true},
      {0xFF102030, {0xFFFF00FF, 0x80800000, 0x00000000, 0x00000000, 0x40400040, 0xC0183060}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    auto image = DecodeString(png, c.mask);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->width, 6);
    ASSERT_EQ(image->height, 1);
    EXPECT_TRUE(image->bitmap);
    EXPECT_EQ(image->alpha, c.alpha);
    EXPECT_EQ(image->mask, c.mask);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(At(*image, x, 0), c.pixels[x]) << "x=" << x;
    EXPECT_TRUE(image->srcBits.empty());
  }
}

TEST_F(ImageCache, AlphaFlagFollowsThePixels) {
  const struct {
    std::string png;
    DWORD mask;
    bool alpha;
  } cases[] = {
      {PngOf({0xFF000000, 0xFFFFFFFF}), 0, false},
      {PngOf({0xFF000000, 0xFEFFFFFF}), 0, true},
      {PngOf({0xFF000000, 0xFFFF00FF}), 0xFFFF00FF, true},   // keyed out
      {PngOf({0xFF000000, 0xFFFF00FF}), 0x00FF00FF, false},  // a six-digit mask meets no opaque pixel
  };
  for (const auto& c : cases) {
    auto image = DecodeString(c.png, c.mask);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->alpha, c.alpha) << c.mask;
  }
}

TEST_F(ImageCache, BadBytesFailCleanly) {
  const std::string png = PngOf({0xFF112233, 0xFF445566});
  const std::string cases[] = {
      "", "not an image at all", png.substr(0, 8), png.substr(0, png.size() / 2), std::string(64, '\0'),
  };
  for (const std::string& bytes : cases) EXPECT_EQ(DecodeString(bytes), nullptr) << bytes.size();
  EXPECT_EQ(CImageCacheUI::Decode(nullptr, 10, 0, false), nullptr);
}

TEST_F(ImageCache, HslKeepsACopyOfThePixels) {
  auto image = DecodeString(PngOf({0x80FF0000, 0xFF00FF00}), 0, true);
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(image->useHsl);
  ASSERT_EQ(image->srcBits.size(), 8u);
  EXPECT_EQ(std::string(image->srcBits.begin(), image->srcBits.end()),
            std::string(reinterpret_cast<const char*>(image->bits), 8));
}

TEST_F(ImageCache, ColorIsOnePixel) {
  const struct {
    const wchar_t* name;
    DWORD pixel;
    bool alpha;
  } cases[] = {
      {L"#FF2BA2F9", 0xFF2BA2F9, false},
      {L"FF2BA2F9", 0xFF2BA2F9, false},
      {L"#80FF0000", 0x80800000, true},
      {L"#2BA2F9", 0x00000000, true},
  };
  for (const auto& c : cases) {
    auto image = CImageCacheUI::Load(c.name, L"*COLOR*", 0, false);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 1);
    EXPECT_EQ(image->height, 1);
    EXPECT_EQ(At(*image, 0, 0), c.pixel);
    EXPECT_EQ(image->alpha, c.alpha);
    EXPECT_EQ(image->resType, L"*COLOR*");
  }
}

TEST_F(ImageCache, LoadsFromTheSkinPackageThenFromAPlainPath) {
  static const std::string package = SkinPackageBytes();
  ASSERT_FALSE(package.empty());
  CResourceSettingsUI::SetResourceZip(package.data(), package.size());

  const struct {
    const wchar_t* name;
    int width, height;
  } members[] = {
      {L"img/icon_close.png", 56, 28},
      {L"IMG\\ICON_CLOSE.PNG", 56, 28},
  };
  for (const auto& m : members) {
    auto image = CImageCacheUI::Load(m.name, L"", 0, false);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, m.width);
    EXPECT_EQ(image->height, m.height);
    EXPECT_TRUE(image->resType.empty());
  }
  EXPECT_EQ(CImageCacheUI::Load(L"img/none.png", L"", 0, false), nullptr);
  EXPECT_EQ(CImageCacheUI::Load(L"MainWindow.xml", L"", 0, false), nullptr);  // not an image
  EXPECT_EQ(CImageCacheUI::Load(L"", L"", 0, false), nullptr);

  // Not in the package: the name is taken as a path.
  TempDir dir;
  const std::wstring path = dir / L"plain.png";
  ASSERT_TRUE(WriteBytes(path, PngOf({0xFF010203, 0xFF040506, 0xFF070809})));
  auto plain = CImageCacheUI::Load(path, L"", 0, false);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->width, 3);
  EXPECT_EQ(At(*plain, 2, 0), 0xFF070809u);
}

TEST_F(ImageCache, AddReplacesAndKeepsOnFailure) {
  CImageCacheUI cache;
  EXPECT_EQ(cache.Find(L"#FF000001"), nullptr);
  const TImageInfo* first = cache.Add(L"#FF000001", L"*COLOR*", 0, false);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(cache.Find(L"#FF000001"), first);
  EXPECT_EQ(cache.Find(L"#ff000001"), nullptr);  // names are case-sensitive
  HBITMAP oldBitmap = first->bitmap.Get();
  const TImageInfo* second = cache.Add(L"#FF000001", L"*COLOR*", 0xFF000001, false);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(cache.Find(L"#FF000001"), second);
  EXPECT_EQ(second->mask, 0xFF000001u);
  EXPECT_EQ(::GetObjectType(oldBitmap), 0u);  // the replaced record's bitmap is gone
  EXPECT_EQ(cache.Add(L"missing.png", L"", 0, false), nullptr);
  EXPECT_EQ(cache.Find(L"missing.png"), nullptr);
}

}  // namespace
