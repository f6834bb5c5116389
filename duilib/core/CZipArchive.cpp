#include "duilib/core/CZipArchive.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "base/UniqueHandle.h"
#include "duilib/core/UniqueInflateStream.h"

namespace DuiLib {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kDirectorySignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kDirectoryEntrySize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kMaxComment = 0xFFFF;
constexpr size_t kInputBufferSize = 16 * 1024;
constexpr size_t kMaxFileArchive = 256u * 1024 * 1024;
constexpr size_t kMaxNameChars = 256;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;

uint16_t Read16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// Only a-z are folded: the stored names are ANSI bytes, and folding anything
// else would depend on the code page.
uint8_t FoldAscii(uint8_t c) {
  return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 'a' + 'A') : c;
}

bool NamesMatch(const std::string& wanted, const uint8_t* stored, size_t length) {
  if (wanted.size() != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (FoldAscii(static_cast<uint8_t>(wanted[i])) != FoldAscii(stored[i])) return false;
  }
  return true;
}

}  // namespace

CZipArchive::CZipArchive(const uint8_t* bytes, size_t size, std::vector<uint8_t> owned)
    : owned_(std::move(owned)), bytes_(owned_.empty() ? bytes : owned_.data()), size_(size) {}

CZipArchive::~CZipArchive() = default;

std::unique_ptr<CZipArchive> CZipArchive::OpenMemory(const void* bytes, size_t size) {
  if (bytes == nullptr) return nullptr;
  std::unique_ptr<CZipArchive> archive(new CZipArchive(static_cast<const uint8_t*>(bytes), size, {}));
  if (!archive->ReadDirectory()) return nullptr;
  return archive;
}

std::unique_ptr<CZipArchive> CZipArchive::OpenFile(const std::wstring& path) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 ||
      static_cast<unsigned long long>(size.QuadPart) > kMaxFileArchive) {
    return nullptr;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!::ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr) || got == 0) return nullptr;
    done += got;
  }
  const size_t length = bytes.size();
  std::unique_ptr<CZipArchive> archive(new CZipArchive(nullptr, length, std::move(bytes)));
  if (!archive->ReadDirectory()) return nullptr;
  return archive;
}

bool CZipArchive::ReadDirectory() {
  if (size_ < kEndRecordSize) return false;
  // The end record sits at the very end unless a comment follows it; search
  // backwards over the longest comment possible, taking the first record
  // whose comment length ends exactly at the end of the archive.
  const size_t last = size_ - kEndRecordSize;
  const size_t first = last > kMaxComment ? last - kMaxComment : 0;
  size_t end = SIZE_MAX;
  for (size_t pos = last + 1; pos-- > first;) {
    const uint8_t* p = bytes_ + pos;
    if (Read32(p) == kEndSignature && pos + kEndRecordSize + Read16(p + 20) == size_) {
      end = pos;
      break;
    }
  }
  if (end == SIZE_MAX) return false;
  const uint8_t* record = bytes_ + end;
  const uint16_t disk = Read16(record + 4);
  const uint16_t directoryDisk = Read16(record + 6);
  const uint16_t entriesHere = Read16(record + 8);
  const uint16_t entries = Read16(record + 10);
  const uint32_t directorySize = Read32(record + 12);
  const uint32_t directoryOffset = Read32(record + 16);
  // Spanned archives and ZIP64 markers are not supported.
  if (disk != 0 || directoryDisk != 0 || entriesHere != entries) return false;
  if (directoryOffset > end || directorySize > end - directoryOffset) return false;
  directoryOffset_ = directoryOffset;
  directoryEnd_ = static_cast<size_t>(directoryOffset) + directorySize;
  entryCount_ = entries;

  // Walk every entry once now, so that lookups never meet a broken one.
  size_t offset = directoryOffset_;
  for (uint32_t i = 0; i < entryCount_; ++i) {
    ZipMemberInfo info;
    if (!ReadEntry(offset, info, offset)) return false;
  }
  return true;
}

bool CZipArchive::ReadEntry(size_t offset, ZipMemberInfo& info, size_t& next) const {
  if (offset > directoryEnd_ || directoryEnd_ - offset < kDirectoryEntrySize) return false;
  const uint8_t* p = bytes_ + offset;
  if (Read32(p) != kDirectorySignature) return false;
  const size_t nameLength = Read16(p + 28);
  const size_t extraLength = Read16(p + 30);
  const size_t commentLength = Read16(p + 32);
  const size_t total = kDirectoryEntrySize + nameLength + extraLength + commentLength;
  if (directoryEnd_ - offset < total) return false;
  info.flags = Read16(p + 8);
  info.method = Read16(p + 10);
  info.dosTime = Read16(p + 12);
  info.dosDate = Read16(p + 14);
  info.crc = Read32(p + 16);
  info.compressedSize = Read32(p + 20);
  info.uncompressedSize = Read32(p + 24);
  info.attributes = Read32(p + 38);
  info.localHeaderOffset = Read32(p + 42);
  info.name.assign(reinterpret_cast<const char*>(p + kDirectoryEntrySize), nameLength);
  next = offset + total;
  return true;
}

bool CZipArchive::FindMember(const wchar_t* name, ZipMemberInfo& info) const {
  if (name == nullptr) return false;
  const size_t chars = ::wcsnlen(name, kMaxNameChars);
  if (chars >= kMaxNameChars) return false;
  // "\" becomes "/" before the conversion: in a double-byte code page the
  // second byte of a character can be 0x5C and must stay as it is.
  wchar_t slashed[kMaxNameChars];
  std::replace_copy(name, name + chars, slashed, L'\\', L'/');
  // A double-byte code page can take two bytes per character.
  char ansi[kMaxNameChars * 2 + 1] = {};
  const int bytes =
      ::WideCharToMultiByte(CP_ACP, 0, slashed, static_cast<int>(chars), ansi, sizeof ansi - 1, nullptr, nullptr);
  if (bytes <= 0 && chars > 0) return false;
  const std::string wanted(ansi, static_cast<size_t>(bytes > 0 ? bytes : 0));

  size_t offset = directoryOffset_;
  for (uint32_t i = 0; i < entryCount_; ++i) {
    const size_t here = offset;
    if (here > directoryEnd_ || directoryEnd_ - here < kDirectoryEntrySize) return false;
    const uint8_t* p = bytes_ + here;
    const size_t nameLength = Read16(p + 28);
    const size_t total = kDirectoryEntrySize + nameLength + Read16(p + 30) + Read16(p + 32);
    if (NamesMatch(wanted, p + kDirectoryEntrySize, nameLength)) {
      size_t next = 0;
      if (!ReadEntry(here, info, next)) return false;
      info.index = i;
      return true;
    }
    offset = here + total;
  }
  return false;
}

ZipExtractResult CZipArchive::Extract(const ZipMemberInfo& info, void* buffer, size_t size) {
  if (buffer == nullptr && size > 0) return ZipExtractResult::Error;
  if (info.flags & kFlagEncrypted) return ZipExtractResult::Error;
  if (info.method != kMethodStored && info.method != kMethodDeflate) return ZipExtractResult::Error;
  // Local headers come before the central directory.
  const size_t local = info.localHeaderOffset;
  if (local > directoryOffset_ || directoryOffset_ - local < kLocalHeaderSize) return ZipExtractResult::Error;
  const uint8_t* p = bytes_ + local;
  if (Read32(p) != kLocalSignature) return ZipExtractResult::Error;
  const uint16_t flags = Read16(p + 6);
  if (Read16(p + 8) != info.method) return ZipExtractResult::Error;
  if (!(flags & kFlagDataDescriptor)) {
    if (Read32(p + 14) != info.crc || Read32(p + 18) != info.compressedSize ||
        Read32(p + 22) != info.uncompressedSize) {
      return ZipExtractResult::Error;
    }
  }
  const size_t dataOffset = local + kLocalHeaderSize + Read16(p + 26) + Read16(p + 28);
  if (dataOffset > directoryOffset_ || directoryOffset_ - dataOffset < info.compressedSize) {
    return ZipExtractResult::Error;
  }
  const uint8_t* data = bytes_ + dataOffset;

  if (info.method == kMethodStored) {
    if (info.compressedSize != info.uncompressedSize) return ZipExtractResult::Error;
    const size_t n = std::min<size_t>(size, info.uncompressedSize);
    if (n > 0) std::memcpy(buffer, data, n);
    if (n < info.uncompressedSize) return ZipExtractResult::BufferFull;
    return ::crc32(0, data, static_cast<uInt>(n)) == info.crc ? ZipExtractResult::Finished : ZipExtractResult::Error;
  }
  return Inflate(data, info, buffer, size);
}

ZipExtractResult CZipArchive::Inflate(const uint8_t* data, const ZipMemberInfo& info, void* buffer, size_t size) {
  if (input_.empty()) input_.resize(kInputBufferSize);
  stream_ = {};
  if (::inflateInit2(&stream_, -MAX_WBITS) != Z_OK) return ZipExtractResult::Error;
  UniqueInflateStream active(&stream_);

  size_t consumed = 0;  // compressed bytes copied into the input window so far
  stream_.next_out = static_cast<Bytef*>(buffer);
  stream_.avail_out = static_cast<uInt>(std::min<size_t>(size, UINT_MAX));
  for (;;) {
    if (stream_.avail_in == 0 && consumed < info.compressedSize) {
      const size_t chunk = std::min<size_t>(input_.size(), info.compressedSize - consumed);
      std::memcpy(input_.data(), data + consumed, chunk);
      consumed += chunk;
      stream_.next_in = input_.data();
      stream_.avail_in = static_cast<uInt>(chunk);
    }
    const uLong before = stream_.total_out;
    const uInt inBefore = stream_.avail_in;
    const int status = ::inflate(&stream_, Z_SYNC_FLUSH);
    if (status == Z_STREAM_END) {
      if (stream_.total_out != info.uncompressedSize) return ZipExtractResult::Error;
      return ::crc32(0, static_cast<const Bytef*>(buffer), static_cast<uInt>(stream_.total_out)) == info.crc
                 ? ZipExtractResult::Finished
                 : ZipExtractResult::Error;
    }
    if (status != Z_OK && status != Z_BUF_ERROR) return ZipExtractResult::Error;
    if (stream_.total_out > info.uncompressedSize) return ZipExtractResult::Error;
    const bool progressed = stream_.total_out != before || stream_.avail_in != inBefore;
    if (stream_.avail_out == 0 && !progressed) return ZipExtractResult::BufferFull;
    // No input left and nothing more to do: the compressed data ends early.
    if (!progressed && stream_.avail_in == 0 && consumed >= info.compressedSize) return ZipExtractResult::Error;
  }
}

}  // namespace DuiLib
