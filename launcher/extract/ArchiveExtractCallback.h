#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/ComPtr.h"
#include "base/RefCounted.h"
#include "base/UniqueHandle.h"
#include "launcher/extract/OutStreamWrapper.h"
#include "launcher/extract/SevenZipInterfaces.h"
#include "launcher/fs/Installation.h"

namespace SevenZip::intl {

// Tells the engine, item by item, where the unpacked data goes below one
// target directory: builds the output path, creates directories, removes what
// stands in a file's way, opens the output file, and afterwards applies the
// item's times and attributes. Writes one UTF-8 log line per step to standard
// output.
//
// Safety: an item whose path is empty, absolute, has a drive, UNC or stream
// prefix (any ':'), a wildcard, a ".." component, a device name (NUL,
// COM1, ...), a component ending in a dot or blank, or that passes through a
// link below the target directory is refused before anything is touched
// ("非法路径:" line, result 0x800700A1), so nothing outside the target
// directory is created, changed or removed, and the target directory itself is
// never removed.
//
// A deletion marker of a 7z update archive ("anti-item") writes nothing: its
// path is left as it is (the caller sets the installed file aside and
// discards it), and the log says "AntiItem:". A directory item that cannot be
// created (a file holds its name, the name is invalid) fails like a file
// that cannot be created: "创建目录失败:" with the directory, result 1631.
//
// An item that the engine reports as damaged (data or CRC error, unsupported
// method) stops the extraction with 0x8007000D after it was written.
//
// The first non-zero result returned to the engine ends the extraction and
// becomes the result of Extract; what was written before stays. Reference
// counted the engine's way (starts at 0; the creator takes the first
// reference); holds a reference to the handler. All calls come on the thread
// that called Extract.
class ArchiveExtractCallback final
    : public RefCounted<IArchiveExtractCallback, ICryptoGetTextPassword, ICompressProgressInfo> {
 public:
  // Writes below `target`, which must outlive the extraction; every file
  // and directory is created, and anything in an item's way removed,
  // through it (launcher/fs/Installation.h).
  // `flush`: every file is flushed to the medium before its item succeeds.
  ArchiveExtractCallback(ComPtr<IInArchive> archive, const Launcher::Installation& target, bool flush);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

  HRESULT STDMETHODCALLTYPE SetTotal(UINT64 total) override;
  HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* completeValue) override;
  HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode) override;
  HRESULT STDMETHODCALLTYPE PrepareOperation(INT32 askExtractMode) override;
  HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 operationResult) override;

  // Always E_ABORT: no password is ever given.
  HRESULT STDMETHODCALLTYPE CryptoGetTextPassword(BSTR* password) override;
  HRESULT STDMETHODCALLTYPE SetRatioInfo(const UINT64* inSize, const UINT64* outSize) override;

  // Full paths of the files and directories this extraction created where
  // nothing stood before, in creation order. Replaced files are not listed.
  const std::vector<std::wstring>& CreatedPaths() const { return created_paths_; }

 private:
  ~ArchiveExtractCallback() override = default;

  // The current item's path, then its other properties.
  HRESULT ReadPath(UINT32 index);
  HRESULT ReadProperties(UINT32 index);
  // The steps of GetStream for a directory item and a file item.
  HRESULT PrepareDirectory();
  HRESULT OpenFile(ISequentialOutStream** outStream);
  // Hands the engine a stream writing into the new `file`.
  HRESULT OpenOutput(UniqueHandle file, ISequentialOutStream** outStream);
  // Logs and answers a failed step of the gate for the current item.
  HRESULT Refused(const Launcher::Status& status, const wchar_t* logPrefix);
  // The directory `relative` (below the target; "" for the target itself),
  // held for the rest of the extraction, with its missing levels made and
  // recorded; null when a level cannot be made, or one that exists is no
  // directory the launcher trusts (a file, a link, another account's
  // directory).
  const Launcher::HeldDirectory* HoldDirectory(const std::wstring& relative);
  // Lets go of the held directory `relative` and those below it.
  void ReleaseHeld(const std::wstring& relative);
  const Launcher::HeldDirectory* HoldLevel(const std::wstring& level);

  ComPtr<IInArchive> archive_;
  const Launcher::Installation& target_;
  std::wstring directory_;
  // The file of the current item, from its creation to SetOperationResult.
  ComPtr<OutStreamWrapper> written_;
  bool flush_ = false;
  std::wstring relative_path_;
  std::wstring absolute_path_;
  bool is_directory_ = false;
  bool is_anti_ = false;
  bool has_attributes_ = false;
  UINT32 attributes_ = 0;
  bool has_modified_ = false;
  FILETIME modified_{};
  bool has_accessed_ = false;
  FILETIME accessed_{};
  bool has_created_ = false;
  FILETIME created_{};
  bool has_size_ = false;
  UINT64 size_ = 0;
  std::vector<std::wstring> created_paths_;
  // The directories checked and held so far, by name key.
  std::map<std::wstring, Launcher::HeldDirectory> held_;
};

}  // namespace SevenZip::intl
