#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "launcher/update/UpdateSink.h"

// Records what an update session reports, in order, as the messages the
// update window would be posted (launcher/update/UpdateControl.h): each
// progress report as WM_UPDATE_PROGRESS with the 64-bit counts, the end as
// its final message. Used on the session's thread.
class SinkRecorder final : public Launcher::UpdateSink {
 public:
  struct Posted {
    UINT message;
    std::uint64_t done;
    std::uint64_t total;
  };

  void OnProgress(std::uint64_t done, std::uint64_t total) override;
  void OnFinished(Launcher::UpdateEnd end, const Launcher::Status& status) override;

  const std::vector<Posted>& Messages() const { return messages_; }
  // The final messages received, in order (a session reports exactly one).
  std::vector<UINT> Finals() const;
  // The failure the session ended with.
  const Launcher::Status& Ending() const { return ending_; }

 private:
  std::vector<Posted> messages_;
  Launcher::Status ending_;
};
