#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "base/UniqueWindow.h"

// A real top-level window on the test's thread that records every update
// message the worker posts to it (progress and the final ones), as the
// update window receives them. Create, use and destroy it on one thread.
class MessageRecorder {
 public:
  struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };

  MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  HWND Window() const { return window_.Get(); }
  const std::vector<Posted>& Messages() const { return messages_; }
  // The final messages received, in order (a run must post exactly one).
  std::vector<UINT> Finals() const;

  // Pumps this thread's messages until a final update message arrived;
  // false after `milliseconds` without one.
  bool PumpUntilFinal(DWORD milliseconds);

  // Runs `update` with this window on a worker thread, as the update window
  // does, pumps until its final message (60 s at most), joins it, takes
  // whatever it posted afterwards (nothing may follow the final message) and
  // returns the final messages.
  std::vector<UINT> Run(const std::function<void(HWND)>& update);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  UniqueWindow window_;
  std::vector<Posted> messages_;
  bool finalSeen_ = false;
};
