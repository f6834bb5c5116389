#pragma once

#include <windows.h>

#include <objidl.h>

#include "base/ComPtr.h"
#include "base/RefCounted.h"
#include "launcher/extract/SevenZipInterfaces.h"

namespace SevenZip::intl {

// The engine's output stream over a platform file stream. Holds one reference
// to the file stream, so the output file closes when the engine releases this
// object. Reference counted like InStreamWrapper; used on the extracting
// thread. Results of the platform stream are passed on unchanged.
class OutStreamWrapper final : public RefCounted<IOutStream> {
 public:
  explicit OutStreamWrapper(ComPtr<IStream> file);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

  HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) override;
  HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) override;
  HRESULT STDMETHODCALLTYPE SetSize(UINT64 newSize) override;

 private:
  ~OutStreamWrapper() override = default;

  ComPtr<IStream> file_;
};

}  // namespace SevenZip::intl
