#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

#include "base/UniqueHandle.h"

namespace Launcher {

// Keeps a second launcher from running beside the first, machine-wide.
//
// The first launcher creates the auto-reset event "Global\<name>", which only
// administrators may open or signal, and keeps it until the process ends. A later launcher finds the event, runs its
// already-running handler, signals the event and exits with kRefusedExitCode
// from inside Start. The first launcher's watcher thread runs the
// other-instance handler once for each signal (signals that arrive while the
// handler runs merge into one).
//
// Threads: the setters, Start and the destructor run on the creating thread;
// the other-instance handler runs on the watcher thread and must be safe there.
// Handlers are set before Start and never changed afterwards.
class SingletonExe {
 public:
  static constexpr int kRefusedExitCode = 1314;

  SingletonExe() = default;
  // Stops and joins the watcher. The instance event is deliberately left open:
  // it must exist exactly as long as this process runs.
  ~SingletonExe();

  SingletonExe(const SingletonExe&) = delete;
  SingletonExe& operator=(const SingletonExe&) = delete;

  // Both setters replace an earlier handler and return the guard, so that the
  // driver can chain set, set, start.
  SingletonExe& OnAlreadyRunning(std::function<void()> handler);
  SingletonExe& OnOtherWantsToRun(std::function<void()> handler);

  // Takes the name "Global\" + name. Returns only in the first launcher; any
  // other launcher, and any launcher that cannot create the event at all,
  // ends the process with kRefusedExitCode (exit handlers and static
  // destructors run). An event of that name that another account made (one
  // that others may signal, or that keeps administrators out) is no
  // launcher's: Start returns without a guard, and says so in one line on
  // the standard error stream. Call once per guard.
  void Start(std::wstring name);

 private:
  void WatchOthers();

  std::thread watcher_;
  std::function<void()> alreadyRunning_;
  std::function<void()> otherWantsToRun_;
  HANDLE instanceEvent_ = nullptr;  // never closed, see the destructor
  UniqueHandle stopEvent_;
};

}  // namespace Launcher
