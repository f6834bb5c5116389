#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "base/UniqueResource.h"

// Memory from VirtualAlloc, released with VirtualFree.
struct VirtualMemoryTraits {
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type p) { return p != nullptr; }
  static void Release(Type p) { ::VirtualFree(p, 0, MEM_RELEASE); }
};
using UniqueVirtualMemory = UniqueResource<VirtualMemoryTraits>;

// Bytes placed so that their last byte is the last readable byte before a
// PAGE_NOACCESS page: any read past the end faults at once (the page-heap
// check of Windows, done by hand).
class GuardedBuffer {
 public:
  GuardedBuffer(const void* bytes, size_t size);
  explicit GuardedBuffer(const std::string& bytes) : GuardedBuffer(bytes.data(), bytes.size()) {}

  const BYTE* Data() const { return data_; }
  BYTE* MutableData() { return data_; }
  size_t Size() const { return size_; }
  bool Ok() const { return memory_.IsValid(); }

  // The same placement for a raw allocation: returns the start of `size`
  // bytes that end at a guard page, or null. Release with FreeGuarded.
  static void* AllocateGuarded(size_t size, void** base);

 private:
  UniqueVirtualMemory memory_;
  BYTE* data_ = nullptr;
  size_t size_ = 0;
};
