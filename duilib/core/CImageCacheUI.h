#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "duilib/core/TImageInfo.h"

namespace DuiLib {

// The decoded images of one window (or of the process: Shared()), keyed by
// image name (case-sensitive). UI thread only. Records are owned by the
// cache and live until the name is registered again or the cache ends.
class CImageCacheUI {
 public:
  CImageCacheUI() = default;
  CImageCacheUI(const CImageCacheUI&) = delete;
  CImageCacheUI& operator=(const CImageCacheUI&) = delete;

  static CImageCacheUI& Shared();

  // Null when `name` is not registered here.
  const TImageInfo* Find(const std::wstring& name) const;
  // Loads and registers `name`, replacing an earlier record. Null (nothing
  // registered) when the bytes cannot be read or decoded.
  const TImageInfo* Add(const std::wstring& name, const std::wstring& resType, DWORD mask, bool hsl);

  // Reads and decodes an image:
  //  - resType "*COLOR*": a 1x1 image of the colour `name` (hexadecimal, optional '#');
  //  - another non-empty resType: the resource `name` (a number when it starts
  //    with a digit) of that type in the toolkit's resource module;
  //  - no resType: the skin file through CResourceSettingsUI::ReadSkinFile,
  //    else `name` as a plain path.
  // Pixels are premultiplied; a pixel equal to `mask` (0xAARRGGBB, 0 = none)
  // becomes fully transparent. Null on any failure.
  static std::unique_ptr<TImageInfo> Load(const std::wstring& name, const std::wstring& resType, DWORD mask, bool hsl);
  // Decodes image file bytes (PNG and whatever the decoder takes) likewise.
  static std::unique_ptr<TImageInfo> Decode(const BYTE* bytes, size_t size, DWORD mask, bool hsl);
  // How many image files Decode has been asked to decode in this process
  // (successful or not). Any thread.
  static unsigned long DecodeCount();

 private:
  std::map<std::wstring, std::unique_ptr<TImageInfo>> images_;
};

}  // namespace DuiLib
