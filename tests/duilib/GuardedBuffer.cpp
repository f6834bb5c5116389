#include "tests/duilib/GuardedBuffer.h"

#include <cstring>

void* GuardedBuffer::AllocateGuarded(size_t size, void** base) {
  SYSTEM_INFO info = {};
  ::GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  // At least two pages: the data (rounded up to whole pages) and the guard.
  const size_t dataPages = size / page + 1;
  const size_t total = (dataPages + 1) * page;
  BYTE* region = static_cast<BYTE*>(::VirtualAlloc(nullptr, total, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (region == nullptr) return nullptr;
  DWORD old = 0;
  if (!::VirtualProtect(region + dataPages * page, page, PAGE_NOACCESS, &old)) {
    ::VirtualFree(region, 0, MEM_RELEASE);
    return nullptr;
  }
  *base = region;
  return region + dataPages * page - size;
}

GuardedBuffer::GuardedBuffer(const void* bytes, size_t size) : size_(size) {
  void* base = nullptr;
  data_ = static_cast<BYTE*>(AllocateGuarded(size, &base));
  memory_.Reset(base);
  if (data_ != nullptr && size > 0) std::memcpy(data_, bytes, size);
}
