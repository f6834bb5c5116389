#pragma once

#include <string>

#include "base/Status.h"
#include "launcher/fs/Installation.h"
#include "launcher/net/PackageDownload.h"

namespace Launcher {

// What a package download that did not end can be resumed from at a later
// start: the file "update.download" in the launcher directory, beside the
// package file it names. The worker writes it when it creates the package
// file and at every checkpoint of the download, and removes it once the
// download is whole or the partial file is given up; a record left by a
// launcher that was closed, killed or lost power lets the next start that is
// offered the same package (same address, same offered version) continue
// instead of downloading again.
//
// Format (RecordLines, header "Tarvo download 1"), in this order:
//   address http://host/Tarvo_1.0.0.10.7z
//   version 1.0.0.10          (the offered LatestVersion; may be empty)
//   package Tarvo_1.0.0.10.7z (the package file, a plain name)
//   validator etag "v1"       (or: validator last-modified <date>, validator size
//                             for bytes of a mirror, validator none)
//   total 123456              (bytes the first answer announced; 0: unknown)
//   bytes 65536               (bytes on the disk, flushed before this was written)
// A record is read only when it is trusted (Installation::ReadTrusted) and
// well formed; any other is no record. Written durably
// (Installation::ReplaceDurably). Used by one thread at a time.
class DownloadRecord {
 public:
  struct Entry {
    std::wstring address;
    std::wstring version;
    std::wstring package;
    ResumeState resume;
  };

  static constexpr unsigned long kMaxBytes = 16 * 1024;

  // The record of `installation`, which must outlive this object.
  explicit DownloadRecord(const Installation& installation) : installation_(installation) {}

  // The record, when there is a trusted, well-formed one.
  bool Read(Entry& entry) const;
  // Replaces the record; fails when it could not be written or `entry`
  // cannot be recorded (a package name that is no plain name).
  Status Write(const Entry& entry) const;
  // Removes the record when it is the launcher's own; another account's
  // file under the name is none of the launcher's and stays. Fails when the
  // launcher's own record is still there.
  Status Remove() const;

  static bool Encode(const Entry& entry, std::string& bytes);
  static bool Decode(const std::string& bytes, Entry& entry);

 private:
  const Installation& installation_;
};

}  // namespace Launcher
