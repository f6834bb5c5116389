#pragma once

#include <windows.h>

#include "duilib/core/NotificationUI.h"

namespace DuiLib {

class CNotifyPump;

// How a notification map entry's handler is called.
enum NotifyHandlerKind : int {
  kNotifyHandlerNone = 0,
  kNotifyHandlerParams = 1,  // handler(pump, wParam, lParam)
  kNotifyHandlerRecord = 2,  // handler(pump, record)
};

using NotifyParamsHandler = void (*)(CNotifyPump* pump, WPARAM wParam, LPARAM lParam);
using NotifyRecordHandler = void (*)(CNotifyPump* pump, NotificationUI& msg);

// One entry of a notification map: the notification type, the sender's name
// (empty: any sender of that type, used when no entry names the sender) and
// the handler. A map's entry list ends with an entry whose type is null.
struct TNotifyMapEntryUI {
  const wchar_t* type;
  const wchar_t* controlName;
  int kind;
  NotifyParamsHandler onParams;
  NotifyRecordHandler onRecord;
};

// A class's notification map, linked to its base class's map (null at the top).
struct TNotifyMapUI {
  const TNotifyMapUI* base;
  const TNotifyMapEntryUI* entries;
};

// Dispatches notifications by table. UI thread only.
class CNotifyPump {
 public:
  CNotifyPump() = default;
  virtual ~CNotifyPump() = default;
  CNotifyPump(const CNotifyPump&) = delete;
  CNotifyPump& operator=(const CNotifyPump&) = delete;

  // This pump's maps from its class up through its bases. True when a
  // handler ran.
  bool NotifyPump(NotificationUI& msg);

 protected:
  // The class's map; the base pump has none.
  virtual const TNotifyMapUI* NotifyMap() const { return nullptr; }
};

}  // namespace DuiLib
