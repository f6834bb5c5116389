#pragma once

#include "duilib/core/NotificationUI.h"

namespace DuiLib {

// A notification sink registered with CWindowHostUI::AddNotifier. Called on
// the window's thread, synchronously from SendNotify or from the flush of the
// queued notifications.
class INotifyUI {
 public:
  virtual void OnNotify(NotificationUI& msg) = 0;

 protected:
  ~INotifyUI() = default;
};

}  // namespace DuiLib
