#pragma once

// launcher/extract/: the facade over the 7-Zip engine: an archive's format
// and items (SevenZipArchive) and its unpacking into the installation
// (SevenZipExtractor, below), with the engine's streams and callbacks behind
// them. Writes only through the gate (launcher/fs/); knows nothing of the
// update that calls it.

#include <windows.h>

#include <string>
#include <vector>

#include "base/Status.h"
#include "launcher/extract/SevenZipArchive.h"
#include "launcher/fs/Installation.h"

namespace SevenZip {

// An archive that can also be unpacked. Used by one thread at a time (the
// update worker's); the engine's callbacks run on that thread.
class SevenZipExtractor : public SevenZipArchive {
 public:
  SevenZipExtractor() = default;
  ~SevenZipExtractor() override = default;

  // Whether an item counts as written once the system has it (AsWritten,
  // the default) or only once it is on the medium (OnTheMedium: every file
  // flushed, FlushFileBuffers, before its item succeeds; a flush that fails
  // fails the item with the platform's code), so that a record saying
  // "installed" never outlives a power cut that its files did not.
  enum class Durability { AsWritten, OnTheMedium };
  void SetDurability(Durability durability) { durability_ = durability; }

  // Detects the format again and writes every item below `directory`, logging
  // each step on standard output. Returns 0 when every item was written, 110
  // when the archive file cannot be opened for reading, E_INVALIDARG for an
  // empty `directory`, otherwise the engine's open or extract result, which carries the
  // first failure of an item (1631: a directory could not be created;
  // 0x800700A1: an item path pointing outside `directory` was refused;
  // 0x8007000D: an item failed the engine's data or CRC check;
  // 0x8007xxxx: a platform error). Items written before a failure stay.
  virtual HRESULT ExtractTo(const std::wstring& directory);
  // The same into the open `target`, which creates and removes everything
  // the extraction writes (launcher/fs/Installation.h). Ok when every item
  // was written; otherwise "SevenZipExtractor::ExtractTo" on the archive's
  // path with ExtractTo's result as the code.
  Launcher::Status ExtractInto(const Launcher::Installation& target);

  // Full paths of the files and directories that the last ExtractTo created
  // where nothing stood before, in creation order, so that a caller can undo
  // a failed extraction by removing them in reverse order. Files that it
  // replaced are not listed.
  const std::vector<std::wstring>& CreatedPaths() const { return created_paths_; }

 private:
  HRESULT Extract(const Launcher::Installation& target);

  std::vector<std::wstring> created_paths_;
  Durability durability_ = Durability::AsWritten;
};

}  // namespace SevenZip
