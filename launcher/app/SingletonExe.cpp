#include "launcher/app/SingletonExe.h"

#include <cstdlib>
#include <utility>

namespace Launcher {

SingletonExe::~SingletonExe() {
  if (stopEvent_) ::SetEvent(stopEvent_.Get());
  if (watcher_.joinable()) watcher_.join();
}

SingletonExe& SingletonExe::OnAlreadyRunning(std::function<void()> handler) {
  alreadyRunning_ = std::move(handler);
  return *this;
}

SingletonExe& SingletonExe::OnOtherWantsToRun(std::function<void()> handler) {
  otherWantsToRun_ = std::move(handler);
  return *this;
}

void SingletonExe::Start(std::wstring name) {
  const std::wstring eventName = L"Global\\" + std::move(name);
  instanceEvent_ = ::CreateEventW(nullptr, FALSE, FALSE, eventName.c_str());
  if (instanceEvent_ == nullptr || ::GetLastError() == ERROR_ALREADY_EXISTS) {
    if (alreadyRunning_) alreadyRunning_();
    if (instanceEvent_ != nullptr) ::SetEvent(instanceEvent_);
    std::exit(kRefusedExitCode);
  }
  // Without a handler there is nobody to tell, so no thread is needed.
  if (!otherWantsToRun_) return;
  stopEvent_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  // A watcher without a stop event could never be stopped, and its wait would
  // fail and be retried forever.
  if (!stopEvent_) return;
  watcher_ = std::thread(&SingletonExe::WatchOthers, this);
}

void SingletonExe::WatchOthers() {
  const HANDLE handles[2] = {instanceEvent_, stopEvent_.Get()};
  for (;;) {
    const DWORD result = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (result == WAIT_OBJECT_0) {
      otherWantsToRun_();
    } else if (result == WAIT_OBJECT_0 + 1) {
      return;
    }
    // Any other result is a failed wait: try again at once.
  }
}

}  // namespace Launcher
