#include "tests/update/SinkRecorder.h"

#include "launcher/update/UpdateControl.h"

using namespace Launcher;

void SinkRecorder::OnProgress(std::uint64_t done, std::uint64_t total) {
  messages_.push_back({WM_UPDATE_PROGRESS, done, total});
}

void SinkRecorder::OnFinished(UpdateEnd end, const Status& status) {
  const UINT message = end == UpdateEnd::Installed       ? WM_UPDATE_INSTALL_DONE
                       : end == UpdateEnd::InstallFailed ? WM_UPDATE_INSTALL_FAILED
                                                         : WM_UPDATE_DOWNLOAD_FAILED;
  messages_.push_back({message, 0, 0});
  ending_ = status;
}

std::vector<UINT> SinkRecorder::Finals() const {
  std::vector<UINT> finals;
  for (const Posted& posted : messages_) {
    if (posted.message != WM_UPDATE_PROGRESS) finals.push_back(posted.message);
  }
  return finals;
}
