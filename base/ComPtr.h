#pragma once

#include <unknwn.h>

#include <utility>

// ComPtr<T> holds one reference to a COM object. Construction from a raw
// pointer takes over a reference the caller already owns (Attach semantics);
// copies AddRef, destruction and Reset Release. Moving transfers the reference.
template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  explicit ComPtr(T* owned) noexcept : ptr_(owned) {}
  ~ComPtr() { Reset(); }

  ComPtr(const ComPtr& other) noexcept : ptr_(other.ptr_) {
    if (ptr_) ptr_->AddRef();
  }
  ComPtr& operator=(const ComPtr& other) noexcept {
    ComPtr(other).Swap(*this);
    return *this;
  }
  ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).Swap(*this);
    return *this;
  }

  // Shares `p`: adds a reference of its own.
  static ComPtr Share(T* p) noexcept {
    if (p) p->AddRef();
    return ComPtr(p);
  }

  T* Get() const noexcept { return ptr_; }
  T* operator->() const noexcept { return ptr_; }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }

  void Reset() noexcept {
    if (T* p = std::exchange(ptr_, nullptr)) p->Release();
  }
  // Releases the current reference and returns the slot for an out parameter.
  T** Put() noexcept {
    Reset();
    return &ptr_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
  T* Detach() noexcept { return std::exchange(ptr_, nullptr); }
  void Swap(ComPtr& other) noexcept { std::swap(ptr_, other.ptr_); }

 private:
  T* ptr_ = nullptr;
};
