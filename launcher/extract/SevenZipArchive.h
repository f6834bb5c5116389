#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/ComPtr.h"
#include "launcher/extract/ArchiveFormat.h"
#include "launcher/extract/SevenZipInterfaces.h"

namespace SevenZip {

// The path under which an item without a name (a bare lzma stream) is written.
inline constexpr wchar_t kUnnamedItemPath[] = L"[Content]";

// An archive file known by its path, or read through a handle its caller
// holds open: detects the format among 7z, lzma86, lzma, cab and zip, and
// lists the items. Every operation opens the file anew (or reads through a
// duplicate of the handle) and closes it before returning. Used by one
// thread at a time. Failures are returned as false or as an empty or partial
// list, never thrown.
class SevenZipArchive {
 public:
  SevenZipArchive() = default;
  virtual ~SevenZipArchive() = default;
  SevenZipArchive(const SevenZipArchive&) = delete;
  SevenZipArchive& operator=(const SevenZipArchive&) = delete;

  // Stores the archive path; always true.
  virtual bool SetPath(const std::wstring& path);
  // Reads the archive through `file` (opened for reading; the caller keeps
  // it open as long as this object is used) instead of opening the path,
  // which then only names the archive in what is reported.
  void SetFile(HANDLE file) { file_ = file; }
  // Detects the format unless it was set explicitly, then reads the item list;
  // true only when both succeed.
  virtual bool Load();
  // Uses `format` from now on without detection; the item list must be read again.
  virtual void SetFormat(ArchiveFormat format);
  // Loads first when neither loaded nor set.
  virtual ArchiveFormat Format();
  virtual void SetOption(int option);
  virtual int Option();
  // Tries the current format first (when it is one of the five), then the
  // others in the order 7z, lzma86, lzma, cab, zip. On failure the format is
  // FormatUnknown, or unchanged when the file cannot be opened at all.
  virtual bool DetectFormat();
  // The getters load first when the list has not been read successfully, so
  // a failed load is tried again at the next call.
  virtual UINT32 ItemCount();
  // Whether the item list could be read (an empty archive's too).
  bool ItemsReadable();
  // Item paths inside the archive, in archive order, directories included.
  virtual std::vector<std::wstring> ItemNames();
  // Low 32 bits of each item's unpacked size.
  virtual std::vector<UINT32> ItemSizes();
  // Whether each item is a directory, in the order of ItemNames.
  std::vector<bool> ItemDirectoryFlags();
  // Whether each item is a deletion marker of a 7z update archive (the file
  // or directory is gone in this version), in the order of ItemNames.
  std::vector<bool> ItemDeletionMarkers();

 protected:
  // A new handler object of the current format, or empty when the engine
  // refuses (the engine's result in *result when given). Every handler of
  // detection, loading and extraction comes from here.
  virtual ComPtr<IInArchive> CreateHandler(HRESULT* result) const;
  ArchiveFormat CurrentFormat() const { return format_; }
  const std::wstring& Path() const { return path_; }
  // A new input stream over the archive from its first byte, or empty when
  // it cannot be opened.
  ComPtr<IInStream> OpenSource() const;

 private:
  bool ReadItemList();

  bool loaded_ = false;
  bool format_set_ = false;
  std::wstring path_;
  HANDLE file_ = nullptr;
  ArchiveFormat format_ = Format7z;
  int option_ = 0;
  UINT32 item_count_ = 0;
  std::vector<std::wstring> item_names_;
  std::vector<UINT32> item_sizes_;
  std::vector<bool> item_directories_;
  std::vector<bool> item_markers_;
};

}  // namespace SevenZip
