#pragma once

#include <windows.h>

#include <string>

#include "base/SelectedObject.h"
#include "base/UniqueDC.h"
#include "base/UniqueGdiObject.h"

// A 32-bit top-down DIB section selected into its own memory device context,
// for drawing tests that read pixels back. Blue-green-red-alpha in memory;
// Pixel() answers 0xAARRGGBB. Starts all zero (transparent black).
class DibCanvas {
 public:
  DibCanvas(int width, int height);
  ~DibCanvas();
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  HDC dc() const { return dc_.Get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  // False when the section or the context could not be created.
  bool Ok() const { return bits_ != nullptr; }

  // 0xAARRGGBB of one pixel; 0 outside the canvas. GDI work queued for the
  // context is flushed first.
  DWORD Pixel(int x, int y) const;
  void SetPixel(int x, int y, DWORD argb);
  // Every pixel becomes `argb` (stored as given, not premultiplied).
  void Fill(DWORD argb);
  // How many pixels of the rectangle (clipped to the canvas) differ from `argb`.
  int CountNot(const RECT& rc, DWORD argb) const;
  // The canvas as an RGBA PNG file image (alpha kept as stored, not
  // un-premultiplied); with `opaque`, an RGB image of what a screen would
  // show. Empty on failure.
  std::string PngBytes(bool opaque = false) const;
  // Writes PngBytes(true) to `path`: a picture for a person to look at (GDI
  // leaves the alpha of what it draws at 0, which viewers show as holes).
  // False on failure.
  bool SavePng(const std::wstring& path) const;

 private:
  int width_;
  int height_;
  BYTE* bits_ = nullptr;  // before bitmap_: its initialiser fills this in
  UniqueDC dc_;
  UniqueBitmap bitmap_;
  SelectedObject selected_;
};
