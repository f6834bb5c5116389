#include "tests/duilib/DibCanvas.h"

#include <vector>

#include "base/TopDownDib.h"
#include "base/UniqueHandle.h"

// stb's writer comes from /usr/include/stb, a system include (its warnings are its own).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace {

HBITMAP CreateSection(int width, int height, BYTE** bits) {
  void* pixels = nullptr;
  HBITMAP bitmap = CreateTopDownDib(nullptr, width, height, &pixels).Detach();
  *bits = static_cast<BYTE*>(pixels);
  return bitmap;
}

HDC CreateMemoryDC() {
  return ::CreateCompatibleDC(nullptr);
}

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<BYTE>*>(context);
  const BYTE* p = static_cast<const BYTE*>(data);
  out->insert(out->end(), p, p + size);
}

}  // namespace

DibCanvas::DibCanvas(int width, int height)
    : width_(width),
      height_(height),
      dc_(CreateMemoryDC()),
      bitmap_(CreateSection(width, height, &bits_)),
      selected_(dc_.Get(), bitmap_.Get()) {
  if (!dc_ || !bitmap_) bits_ = nullptr;
}

DibCanvas::~DibCanvas() {
  selected_.Restore();
}

DWORD DibCanvas::Pixel(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  ::GdiFlush();
  const BYTE* p = bits_ + (static_cast<size_t>(y) * width_ + x) * 4;
  return (DWORD(p[3]) << 24) | (DWORD(p[2]) << 16) | (DWORD(p[1]) << 8) | p[0];
}

void DibCanvas::SetPixel(int x, int y, DWORD argb) {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  ::GdiFlush();
  BYTE* p = bits_ + (static_cast<size_t>(y) * width_ + x) * 4;
  p[0] = BYTE(argb);
  p[1] = BYTE(argb >> 8);
  p[2] = BYTE(argb >> 16);
  p[3] = BYTE(argb >> 24);
}

void DibCanvas::Fill(DWORD argb) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) SetPixel(x, y, argb);
}

int DibCanvas::CountNot(const RECT& rc, DWORD argb) const {
  int count = 0;
  for (int y = (rc.top < 0 ? 0 : rc.top); y < rc.bottom && y < height_; ++y)
    for (int x = (rc.left < 0 ? 0 : rc.left); x < rc.right && x < width_; ++x)
      if (Pixel(x, y) != argb) ++count;
  return count;
}

std::string DibCanvas::PngBytes(bool opaque) const {
  if (!bits_) return std::string();
  ::GdiFlush();
  const int channels = opaque ? 3 : 4;
  const size_t pixels = static_cast<size_t>(width_) * height_;
  std::vector<BYTE> out(pixels * channels);
  for (size_t i = 0; i < pixels; ++i) {
    BYTE* o = &out[i * channels];
    const BYTE* in = &bits_[i * 4];
    o[0] = in[2];
    o[1] = in[1];
    o[2] = in[0];
    if (!opaque) o[3] = in[3];
  }
  std::vector<BYTE> png;
  if (!stbi_write_png_to_func(AppendBytes, &png, width_, height_, channels, out.data(), width_ * channels)) {
    return std::string();
  }
  return std::string(png.begin(), png.end());
}

bool DibCanvas::SavePng(const std::wstring& path) const {
  const std::string png = PngBytes(true);
  if (png.empty()) return false;
  UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
         written == png.size();
}
