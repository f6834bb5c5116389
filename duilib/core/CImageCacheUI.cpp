#include "duilib/core/CImageCacheUI.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <cwctype>
#include <vector>

#include "base/TopDownDib.h"
#include "base/UniqueHandle.h"
#include "duilib/core/AttributeText.h"
#include "duilib/core/CResourceSettingsUI.h"

// The decoder is stb_image, built here once. Only memory input is used, and
// failure texts are not kept (they would need thread-local storage).
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_FAILURE_STRINGS
#include <stb_image.h>

namespace DuiLib {

namespace {

struct StbPixelsTraits {
  using Type = stbi_uc*;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type p) { return p != nullptr; }
  static void Release(Type p) { stbi_image_free(p); }
};
using UniqueStbPixels = UniqueResource<StbPixelsTraits>;

// Reads a whole disk file; false for a missing, empty or unreadable file.
bool ReadPlainFile(const std::wstring& path, std::vector<BYTE>& bytes) {
  bytes.clear();
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size = {};
  // The decoder takes an int length; anything beyond is no image of ours.
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 || size.QuadPart > INT_MAX) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) {
    bytes.clear();
    return false;
  }
  return true;
}

// Turns straight RGBA pixels into the record's premultiplied BGRA section.
std::unique_ptr<TImageInfo> MakeImage(const BYTE* rgba, int width, int height, DWORD mask, bool hsl) {
  if (width <= 0 || height <= 0 || width > INT_MAX / 4 / height) return nullptr;
  void* bits = nullptr;
  // Top-down, like the decoder's rows.
  UniqueBitmap bitmap = CreateTopDownDib(nullptr, width, height, &bits);
  if (!bitmap || !bits) return nullptr;

  auto info = std::make_unique<TImageInfo>();
  BYTE* out = static_cast<BYTE*>(bits);
  const size_t count = static_cast<size_t>(width) * height;
  bool alpha = false;
  for (size_t i = 0; i < count; ++i) {
    const BYTE* s = rgba + i * 4;
    BYTE* d = out + i * 4;
    const BYTE a = s[3];
    d[3] = a;
    if (a == 255) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    } else {
      d[0] = static_cast<BYTE>(s[2] * a / 255);
      d[1] = static_cast<BYTE>(s[1] * a / 255);
      d[2] = static_cast<BYTE>(s[0] * a / 255);
      alpha = true;
    }
    const DWORD argb = (DWORD(d[3]) << 24) | (DWORD(d[2]) << 16) | (DWORD(d[1]) << 8) | d[0];
    if (mask != 0 && argb == mask) {
      d[0] = d[1] = d[2] = d[3] = 0;
      alpha = true;
    }
  }
  info->bitmap = std::move(bitmap);
  info->bits = out;
  info->width = width;
  info->height = height;
  info->alpha = alpha;
  info->useHsl = hsl;
  info->mask = mask;
  if (hsl) info->srcBits.assign(out, out + count * 4);
  return info;
}

}  // namespace

CImageCacheUI& CImageCacheUI::Shared() {
  static CImageCacheUI cache;
  return cache;
}

const TImageInfo* CImageCacheUI::Find(const std::wstring& name) const {
  auto it = images_.find(name);
  return it == images_.end() ? nullptr : it->second.get();
}

const TImageInfo* CImageCacheUI::Add(const std::wstring& name, const std::wstring& resType, DWORD mask, bool hsl) {
  std::unique_ptr<TImageInfo> info = Load(name, resType, mask, hsl);
  if (!info) return nullptr;
  std::unique_ptr<TImageInfo>& slot = images_[name];
  slot = std::move(info);  // an earlier record of this name is freed here
  return slot.get();
}

std::unique_ptr<TImageInfo> CImageCacheUI::Load(const std::wstring& name, const std::wstring& resType, DWORD mask,
                                                bool hsl) {
  if (name.empty()) return nullptr;
  std::unique_ptr<TImageInfo> info;
  if (resType == L"*COLOR*") {
    const DWORD color = ParseColor(name.c_str());
    const BYTE rgba[4] = {BYTE(color >> 16), BYTE(color >> 8), BYTE(color), BYTE(color >> 24)};
    info = MakeImage(rgba, 1, 1, mask, hsl);
  } else {
    std::vector<BYTE> bytes;
    bool read = false;
    if (!resType.empty()) {
      // A name that starts with a digit is a numbered resource.
      const wchar_t* id = std::iswdigit(name[0]) ? MAKEINTRESOURCEW(ParseInt(name.c_str()) & 0xFFFF) : name.c_str();
      read = CResourceSettingsUI::ReadResource(id, resType.c_str(), bytes);
    } else {
      read = CResourceSettingsUI::ReadSkinFile(name.c_str(), bytes) == SkinReadResult::Ok || ReadPlainFile(name, bytes);
    }
    if (!read) return nullptr;
    info = Decode(bytes.data(), bytes.size(), mask, hsl);
  }
  if (info) info->resType = resType;
  return info;
}

namespace {

std::atomic<unsigned long> decodeCount{0};

}  // namespace

unsigned long CImageCacheUI::DecodeCount() {
  return decodeCount.load();
}

std::unique_ptr<TImageInfo> CImageCacheUI::Decode(const BYTE* bytes, size_t size, DWORD mask, bool hsl) {
  ++decodeCount;
  if (!bytes || size == 0 || size > INT_MAX) return nullptr;
  int width = 0;
  int height = 0;
  int channels = 0;
  UniqueStbPixels pixels(stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4));
  if (!pixels) return nullptr;
  return MakeImage(pixels.Get(), width, height, mask, hsl);
}

}  // namespace DuiLib
