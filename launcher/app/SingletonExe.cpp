#include "launcher/app/SingletonExe.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "base/UniqueHandle.h"
#include "base/UniqueLocalMemory.h"
#include "launcher/fs/FileAuthority.h"

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

namespace {

// Whether the event `object` is a launcher's: only administrators can have
// made it or can signal it. False when its security cannot be read.
bool IsLaunchersEvent(HANDLE object) {
  // An event's "modify state" is the bit of a file's "write data": the
  // file rule weighs who may signal it.
  return IsAdministratorOnlyObject(object, SE_KERNEL_OBJECT);
}

void RunUnguarded(const char* why) {
  std::fprintf(stderr, "single instance: %s; running without the guard\n", why);
  std::fflush(stderr);
}

}  // namespace

void SingletonExe::Start(std::wstring name) {
  const std::wstring eventName = L"Global\\" + std::move(name);
  // Only administrators (every launcher asks to be one) may open or signal
  // the event: no other account can make a launcher exit by signalling it.
  // The owner is named: Wine would otherwise give the token's primary group.
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)", SDDL_REVISION_1, &raw,
                                                              nullptr)) {
    std::exit(kRefusedExitCode);
  }
  UniqueLocalMemory descriptor(raw);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
  instanceEvent_ = ::CreateEventW(&attributes, FALSE, FALSE, eventName.c_str());
  const DWORD error = ::GetLastError();
  if (instanceEvent_ == nullptr && error == ERROR_ACCESS_DENIED) {
    // Made by an account that keeps administrators out: no launcher's.
    return RunUnguarded("another account holds the name");
  }
  if (instanceEvent_ != nullptr && error == ERROR_ALREADY_EXISTS && !IsLaunchersEvent(instanceEvent_)) {
    // Another account made the name first, to keep every launcher from
    // running: it is no reason to end, and the event is not watched.
    const UniqueHandle squatted(std::exchange(instanceEvent_, nullptr));
    return RunUnguarded("another account made the event");
  }
  if (instanceEvent_ == nullptr || error == ERROR_ALREADY_EXISTS) {
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
