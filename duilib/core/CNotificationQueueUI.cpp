#include "duilib/core/CNotificationQueueUI.h"

#include <algorithm>

namespace DuiLib {

bool CNotificationQueueUI::Enqueue(const NotificationUI& msg, bool allowRepeat) {
  if (!allowRepeat) {
    for (NotificationUI& queued : records_) {
      if (queued.sender != msg.sender || queued.type != msg.type) continue;
      queued.wParam = msg.wParam;
      queued.lParam = msg.lParam;
      queued.mouse = msg.mouse;
      queued.timestamp = msg.timestamp;
      queued.virtualWnd = msg.virtualWnd;
      return false;
    }
  }
  records_.push_back(msg);
  return RequestFlush();
}

bool CNotificationQueueUI::RequestFlush() {
  if (pending_) return false;
  pending_ = true;
  return true;
}

bool CNotificationQueueUI::PopFront(NotificationUI& out) {
  if (records_.empty()) return false;
  out = std::move(records_.front());
  records_.pop_front();
  return true;
}

void CNotificationQueueUI::Forget(CControlUI* sender) {
  records_.erase(std::remove_if(records_.begin(), records_.end(),
                                [sender](const NotificationUI& queued) { return queued.sender == sender; }),
                 records_.end());
}

void CNotificationQueueUI::Clear() {
  records_.clear();
}

}  // namespace DuiLib
