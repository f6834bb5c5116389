#pragma once

#include <windows.h>

#include <utility>

// Selects a GDI object (font, bitmap, pen, brush) into a device context and
// selects the previous one back when the scope ends, so that the object can
// be deleted afterwards. Selecting a null object does nothing. Movable, so a
// function may return one; the moved-from scope restores nothing.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(object ? dc : nullptr), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() { Restore(); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  SelectedObject(SelectedObject&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  SelectedObject& operator=(SelectedObject&&) = delete;

  // Puts the previous object back now; later calls do nothing.
  void Restore() noexcept {
    if (dc_ && previous_) ::SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};
