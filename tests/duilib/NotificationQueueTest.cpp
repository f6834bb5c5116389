#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "duilib/control/CControlUI.h"
#include "duilib/core/CNotificationQueueUI.h"

using DuiLib::CControlUI;
using DuiLib::CNotificationQueueUI;
using DuiLib::NotificationUI;

namespace {

struct Send {
  int sender;
  const wchar_t* type;
  WPARAM wParam;
  bool allowRepeat;
  bool expectPost;
};

struct Delivered {
  int sender;
  const wchar_t* type;
  WPARAM wParam;
};

struct QueueCase {
  const char* name;
  std::vector<Send> sends;
  std::vector<Delivered> delivered;
};

class NotificationQueueTest : public ::testing::TestWithParam<QueueCase> {};

TEST_P(NotificationQueueTest, MergesOnlyWithoutRepeatsAndPostsOnce) {
  CControlUI senders[2];
  CNotificationQueueUI queue;
  for (size_t i = 0; i < GetParam().sends.size(); ++i) {
    const Send& send = GetParam().sends[i];
    NotificationUI msg;
    msg.sender = &senders[send.sender];
    msg.type = send.type;
    msg.wParam = send.wParam;
    msg.lParam = static_cast<LPARAM>(send.wParam * 10);
    msg.timestamp = static_cast<DWORD>(i);
    EXPECT_EQ(queue.Enqueue(msg, send.allowRepeat), send.expectPost) << "send " << i;
  }
  EXPECT_TRUE(queue.IsPending());
  queue.BeginFlush();
  EXPECT_FALSE(queue.IsPending());
  std::vector<NotificationUI> out;
  NotificationUI msg;
  while (queue.PopFront(msg)) out.push_back(msg);
  ASSERT_EQ(out.size(), GetParam().delivered.size());
  for (size_t i = 0; i < out.size(); ++i) {
    const Delivered& want = GetParam().delivered[i];
    EXPECT_EQ(out[i].sender, &senders[want.sender]) << i;
    EXPECT_EQ(out[i].type, want.type) << i;
    EXPECT_EQ(out[i].wParam, want.wParam) << i;
    EXPECT_EQ(out[i].lParam, static_cast<LPARAM>(want.wParam * 10)) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, NotificationQueueTest,
                         ::testing::Values(QueueCase{"same_sender_and_type_merge_with_second_parameters",
                                                     {{0, L"scroll", 1, false, true}, {0, L"scroll", 2, false, false}},
                                                     {{0, L"scroll", 2}}},
                                           QueueCase{"repeats_allowed_keep_both",
                                                     {{0, L"scroll", 1, true, true}, {0, L"scroll", 2, true, false}},
                                                     {{0, L"scroll", 1}, {0, L"scroll", 2}}},
                                           QueueCase{"other_type_is_not_merged",
                                                     {{0, L"scroll", 1, false, true}, {0, L"timer", 2, false, false}},
                                                     {{0, L"scroll", 1}, {0, L"timer", 2}}},
                                           QueueCase{"other_sender_is_not_merged",
                                                     {{0, L"scroll", 1, false, true}, {1, L"scroll", 2, false, false}},
                                                     {{0, L"scroll", 1}, {1, L"scroll", 2}}},
                                           QueueCase{"merge_keeps_the_first_records_place",
                                                     {{0, L"scroll", 1, false, true},
                                                      {1, L"click", 5, true, false},
                                                      {0, L"scroll", 3, false, false}},
                                                     {{0, L"scroll", 3}, {1, L"click", 5}}},
                                           QueueCase{"type_comparison_is_exact",
                                                     {{0, L"scroll", 1, false, true}, {0, L"Scroll", 2, false, false}},
                                                     {{0, L"scroll", 1}, {0, L"Scroll", 2}}}),
                         [](const ::testing::TestParamInfo<QueueCase>& info) { return std::string(info.param.name); });

TEST(NotificationQueue, AfterAFlushTheNextRecordAsksForAPostAgain) {
  CControlUI sender;
  CNotificationQueueUI queue;
  NotificationUI msg;
  msg.sender = &sender;
  msg.type = L"click";
  EXPECT_TRUE(queue.Enqueue(msg, true));
  queue.BeginFlush();
  EXPECT_TRUE(queue.Enqueue(msg, true));
  queue.CancelPending();
  EXPECT_TRUE(queue.Enqueue(msg, true));
  EXPECT_EQ(queue.Size(), 3u);
}

TEST(NotificationQueue, ForgetDropsOnlyThatSendersRecords) {
  CControlUI gone, kept;
  CNotificationQueueUI queue;
  for (CControlUI* sender : {&gone, &kept, &gone}) {
    NotificationUI msg;
    msg.sender = sender;
    msg.type = L"click";
    queue.Enqueue(msg, true);
  }
  queue.Forget(&gone);
  NotificationUI msg;
  ASSERT_TRUE(queue.PopFront(msg));
  EXPECT_EQ(msg.sender, &kept);
  EXPECT_FALSE(queue.PopFront(msg));
}

}  // namespace
