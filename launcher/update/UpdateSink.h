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
  // Bytes of the package on the disk so far and the package's size (0 while
  // unknown). `done` goes back when a download starts over.
  virtual void OnProgress(std::uint64_t done, std::uint64_t total) = 0;
  // Exactly once, after every progress report: how the update ended, and
  // for a failure the step that failed.
  virtual void OnFinished(UpdateEnd end, const Status& status) = 0;

 protected:
  ~UpdateSink() = default;
};

}  // namespace Launcher
