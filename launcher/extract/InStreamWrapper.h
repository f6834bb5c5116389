#pragma once

#include <windows.h>

#include <objidl.h>

#include "base/ComPtr.h"
#include "base/RefCounted.h"
#include "base/UniqueHandle.h"
#include "launcher/extract/SevenZipInterfaces.h"

namespace SevenZip::intl {

// The engine's input stream over a platform file stream (IStream), or over a
// file handle of its own (a duplicate of one its caller holds open, so that
// what is read is the file the caller checked). Holds one reference to the
// file stream, or owns the handle; the file closes when the last holder lets
// go. Over a handle it keeps a position of its own and reads at it, so that
// other handles of the same file may move the file's own position freely.
// Reference counted the engine's way: starts at 0, the creator takes the first
// reference, the object deletes itself at 0. Called on the extracting thread.
// IStreamGetSize is answered on a second interface of the same object.
class InStreamWrapper final : public RefCounted<IInStream, IStreamGetSize> {
 public:
  explicit InStreamWrapper(ComPtr<IStream> file);
  // Reads through `file` (opened for reading) from its first byte.
  explicit InStreamWrapper(UniqueHandle file);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

  // Any non-negative platform result, a short read included, is S_OK.
  HRESULT STDMETHODCALLTYPE Read(void* data, UINT32 size, UINT32* processedSize) override;
  HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) override;
  HRESULT STDMETHODCALLTYPE GetSize(UINT64* size) override;

 private:
  ~InStreamWrapper() override = default;

  ComPtr<IStream> file_;
  UniqueHandle handle_;
  UINT64 position_ = 0;
};

}  // namespace SevenZip::intl
