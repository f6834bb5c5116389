#pragma once

#include <windows.h>

#include <objidl.h>

#include <string>

#include "base/ComPtr.h"

namespace SevenZip::intl {

// Platform file streams for the engine adapters. Both return an empty pointer
// on failure, with the thread's last error telling why.

// An existing file opened for reading only.
ComPtr<IStream> OpenFileForReading(const std::wstring& path);
// A file created, or truncated when it exists, opened for writing.
ComPtr<IStream> CreateFileForWriting(const std::wstring& path);

// Moves `file`'s position the engine's way (signed offset, origin 0/1/2 as
// STREAM_SEEK_SET/CUR/END) and reports the new position when asked.
HRESULT SeekFile(IStream* file, INT64 offset, UINT32 origin, UINT64* newPosition);

}  // namespace SevenZip::intl
