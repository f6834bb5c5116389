#pragma once

#include <windows.h>

#include <objidl.h>

#include "base/ComPtr.h"
#include "base/RefCounted.h"
#include "base/UniqueHandle.h"
#include "launcher/extract/SevenZipInterfaces.h"

namespace SevenZip::intl {

// The engine's output stream over a platform file stream. Holds one reference
// to the file stream, so the output file closes when the engine releases this
// object. Reference counted like InStreamWrapper; used on the extracting
// thread. Results of the platform stream are passed on unchanged. Made over
// an open file handle instead, it owns the handle and writes through it.
class OutStreamWrapper final : public RefCounted<IOutStream> {
 public:
  explicit OutStreamWrapper(ComPtr<IStream> file);
  explicit OutStreamWrapper(UniqueHandle file);

  // The handle it was made over (null for a platform stream); valid while
  // the object lives.
  HANDLE Handle() const { return handle_.Get(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

  HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) override;
  HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) override;
  HRESULT STDMETHODCALLTYPE SetSize(UINT64 newSize) override;

 private:
  ~OutStreamWrapper() override = default;

  ComPtr<IStream> file_;
  UniqueHandle handle_;
};

}  // namespace SevenZip::intl
