#pragma once

#include <utility>

// UniqueResource<Traits> owns one platform handle and releases it exactly once.
//
// Traits supplies:
//   using Type = ...;                  the handle type
//   static Type Invalid();             the "no handle" value
//   static bool IsValid(Type);         whether a value names a handle to release
//   static void Release(Type);         releases a valid handle
//
// Not copyable; moving transfers ownership and leaves the source empty. Every
// handle kind of the program gets an alias of this template next to its traits
// (UniqueHandle, UniqueInternetHandle, UniqueDC, UniqueGdiObject, ...), so that
// no owner calls the platform's close function by hand.
template <typename Traits>
class UniqueResource {
 public:
  using Type = typename Traits::Type;

  UniqueResource() noexcept : value_(Traits::Invalid()) {}
  explicit UniqueResource(Type value) noexcept : value_(value) {}
  ~UniqueResource() { Reset(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  UniqueResource(UniqueResource&& other) noexcept : value_(other.Detach()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }

  Type Get() const noexcept { return value_; }
  bool IsValid() const noexcept { return Traits::IsValid(value_); }
  explicit operator bool() const noexcept { return IsValid(); }

  // Releases the held handle (if any) and takes `value` instead.
  void Reset(Type value = Traits::Invalid()) noexcept {
    Type old = std::exchange(value_, value);
    if (Traits::IsValid(old)) Traits::Release(old);
  }

  // Gives up ownership without releasing; the caller owns the result.
  Type Detach() noexcept { return std::exchange(value_, Traits::Invalid()); }

 private:
  Type value_;
};
