#include "launcher/extract/FileStreams.h"

#include <shlwapi.h>

namespace SevenZip::intl {

ComPtr<IStream> OpenFileForReading(const std::wstring& path) {
  ComPtr<IStream> stream;
  if (FAILED(SHCreateStreamOnFileEx(path.c_str(), STGM_READ, FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.Put()))) {
    stream.Reset();
  }
  return stream;
}

ComPtr<IStream> CreateFileForWriting(const std::wstring& path) {
  ComPtr<IStream> stream;
  if (FAILED(SHCreateStreamOnFileEx(path.c_str(), STGM_CREATE | STGM_WRITE, FILE_ATTRIBUTE_NORMAL, TRUE, nullptr,
                                    stream.Put()))) {
    stream.Reset();
  }
  return stream;
}

HRESULT SeekFile(IStream* file, INT64 offset, UINT32 origin, UINT64* newPosition) {
  LARGE_INTEGER move;
  move.QuadPart = offset;
  ULARGE_INTEGER position{};
  const HRESULT hr = file->Seek(move, origin, &position);
  if (newPosition) *newPosition = position.QuadPart;
  return hr;
}

}  // namespace SevenZip::intl
