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

}  // namespace SevenZip::intl
