#pragma once

#include <cstdint>

#include "base/Status.h"

namespace Launcher {

// How an update ended.
enum class UpdateEnd {
  DownloadFailed,  // the package could not be had or was refused; nothing installed was touched
  InstallFailed,   // setting aside or unpacking failed; the old files are back
  Installed,       // the package is installed and deleted
};

// Where an update session reports, on the session's thread. The session does
// not own it; it must outlive the session's Run.
class UpdateSink {
 public:
  // Bytes of the package being downloaded so far and its size (0 while
  // unknown), as a share done / total that never goes back: when a download
  // starts over, or another follows it (a delta that failed, the next source
  // sending the package whole), the share stays where it stood and the rest
  // of the new download fills the rest.
  virtual void OnProgress(std::uint64_t done, std::uint64_t total) = 0;
  // Exactly once, after every progress report: how the update ended, and
  // for a failure the step that failed.
  virtual void OnFinished(UpdateEnd end, const Status& status) = 0;

 protected:
  ~UpdateSink() = default;
};

}  // namespace Launcher
