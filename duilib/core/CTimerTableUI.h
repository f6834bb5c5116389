#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace DuiLib {

class CControlUI;

// The control timers of one window host. Each record ties a control's own
// timer number to a system timer of the host's window. System identifiers
// come from a counter that starts at 0x1000 and advances as
// (counter + 1) mod 255 for every new record, so they run 17, 18, ... 254,
// 0, 1, ...; a stopped record keeps its identifier and reuses it when the
// same control restarts the same number.
//
// UI thread only. The table does not own the controls; the host removes a
// control's records before the control goes away.
class CTimerTableUI {
 public:
  struct Record {
    CControlUI* control = nullptr;
    UINT localId = 0;
    HWND window = nullptr;
    UINT_PTR systemId = 0;
    bool stopped = false;
  };

  CTimerTableUI() = default;
  CTimerTableUI(const CTimerTableUI&) = delete;
  CTimerTableUI& operator=(const CTimerTableUI&) = delete;
  // Kills the system timers of every running record.
  ~CTimerTableUI();

  // Starts `localId` of `control` on `window`. A stopped record of the same
  // control, number and window is restarted under its old identifier; a
  // running one is left alone (false). Otherwise a new identifier is taken
  // and a record added; false, with no record, when the system refuses.
  bool Start(HWND window, CControlUI* control, UINT localId, UINT elapse);
  // Stops the running record of (control, number) with the system when its
  // window still exists, and keeps it as stopped. False when none runs.
  bool Stop(CControlUI* control, UINT localId);
  // Stops and removes every record of `control`.
  void RemoveControl(CControlUI* control);
  // Stops and removes every record.
  void RemoveAll();

  // The running record of a WM_TIMER of `window` with `systemId`, or null.
  const Record* FindRunning(HWND window, UINT_PTR systemId) const;
  // The record of (control, number), running or stopped, or null.
  const Record* Find(CControlUI* control, UINT localId) const;
  // The last identifier handed out (0x1000 before the first).
  UINT Counter() const { return counter_; }
  std::size_t Size() const { return records_.size(); }

 private:
  static void KillSystemTimer(const Record& record);

  std::vector<Record> records_;
  UINT counter_ = 0x1000;
};

}  // namespace DuiLib
