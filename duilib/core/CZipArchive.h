#pragma once

#include <windows.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace DuiLib {

// The directory data of one member, as the central directory states it.
struct ZipMemberInfo {
  uint32_t index = 0;  // position in the central directory, from 0
  uint32_t uncompressedSize = 0;
  uint32_t compressedSize = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t attributes = 0;  // external attributes
  std::string name;         // as stored (system ANSI code page bytes)
  // Needed to extract the member.
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint32_t localHeaderOffset = 0;
};

enum class ZipExtractResult {
  Finished,    // the whole member was written and its CRC matches
  BufferFull,  // the buffer is full and the member goes on
  Error,       // malformed archive or member, unsupported method, bad data
};

// Read-only access to a ZIP archive held in memory: the subset the skin
// package needs (stored and deflated members, no ZIP64, no encryption).
//
// The whole central directory is checked when the archive is opened, so a
// truncated directory or one that points outside the archive makes Open fail;
// every later read stays inside the archive's bytes. A memory archive borrows
// the caller's bytes, which must outlive it; a file archive owns a copy of the
// file. Single-threaded: one caller at a time (the inflate state is shared).
class CZipArchive {
 public:
  // Null when the bytes are no archive this reader accepts.
  static std::unique_ptr<CZipArchive> OpenMemory(const void* bytes, size_t size);
  // Reads the whole file (up to 256 MiB); null when it cannot be read or is no archive.
  static std::unique_ptr<CZipArchive> OpenFile(const std::wstring& path);

  ~CZipArchive();
  CZipArchive(const CZipArchive&) = delete;
  CZipArchive& operator=(const CZipArchive&) = delete;

  uint32_t MemberCount() const { return entryCount_; }

  // Linear walk over the central directory in stored order. The name is
  // converted to the system ANSI code page, "\" is taken as "/", and only the
  // letters a-z compare equal to A-Z. Names of 256 characters or more are
  // never found. The first match wins.
  bool FindMember(const wchar_t* name, ZipMemberInfo& info) const;

  // Writes the member's bytes into `buffer` (at most `size` bytes).
  ZipExtractResult Extract(const ZipMemberInfo& info, void* buffer, size_t size);

 private:
  CZipArchive(const uint8_t* bytes, size_t size, std::vector<uint8_t> owned);
  bool ReadDirectory();
  bool ReadEntry(size_t offset, ZipMemberInfo& info, size_t& next) const;
  ZipExtractResult Inflate(const uint8_t* data, const ZipMemberInfo& info, void* buffer, size_t size);

  std::vector<uint8_t> owned_;  // the file's bytes for a file archive, empty otherwise
  const uint8_t* bytes_;
  size_t size_;
  uint32_t entryCount_ = 0;
  size_t directoryOffset_ = 0;
  size_t directoryEnd_ = 0;
  std::vector<uint8_t> input_;  // 16 KiB window over the compressed bytes
  z_stream stream_ = {};
};

}  // namespace DuiLib
