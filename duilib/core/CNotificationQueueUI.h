#pragma once

#include <cstddef>
#include <deque>

#include "duilib/core/NotificationUI.h"

namespace DuiLib {

class CControlUI;

// The asynchronous notifications of one window host, waiting for the host's
// private message (WM_APP + 1). It remembers whether that message is pending,
// so that at most one is posted per window. UI thread only; it does not own
// the senders.
class CNotificationQueueUI {
 public:
  // Queues a copy of `msg`. Without `allowRepeat`, a queued record of the
  // same sender and type takes the new parameters, point, time and
  // virtual-window name instead, and nothing is added. True when the caller
  // must post the private message now (a record was added and no message is
  // pending); the queue then counts the message as pending.
  bool Enqueue(const NotificationUI& msg, bool allowRepeat);
  // Asks for a flush without a record (controls wait for deletion). True when
  // the caller must post the private message now.
  bool RequestFlush();
  // The private message could not be posted: the next Enqueue asks again.
  void CancelPending() { pending_ = false; }
  // The private message arrived: nothing is pending any more.
  void BeginFlush() { pending_ = false; }
  // Takes the oldest record; false when the queue is empty.
  bool PopFront(NotificationUI& out);
  // Drops every record sent by `sender` (the control is going away).
  void Forget(CControlUI* sender);
  void Clear();

  bool IsPending() const { return pending_; }
  std::size_t Size() const { return records_.size(); }

 private:
  std::deque<NotificationUI> records_;
  bool pending_ = false;
};

}  // namespace DuiLib
