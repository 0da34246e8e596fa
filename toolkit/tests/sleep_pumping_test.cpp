#include "toolkit/sleep_pumping.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/event_pump.h"
#include "platform/message_queue.h"
#include "runtime/process.h"
#include "tests/message_during_wait.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Elapsed(Clock::time_point since) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - since);
}

TEST(SleepPumpingTest, DispatchesAMessagePostedDuringThePause) {
  platform::MessageQueue::OfCurrentThread();  // the queue must exist before anyone posts to it
  const MessageDuringWait messages(platform::CurrentThreadId());
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(SleepPumping(50), 1);
  EXPECT_GE(Elapsed(start), milliseconds(50));
  EXPECT_TRUE(messages.FirstRan());
  EXPECT_TRUE(messages.SecondRan());
}

TEST(SleepPumpingTest, UnitsAndAmounts) {
  Clock::time_point start = Clock::now();
  SleepPumping(2, 500);  // a unit beyond 3 is itself the multiplier
  EXPECT_GE(Elapsed(start), milliseconds(1000));
  EXPECT_LT(Elapsed(start), milliseconds(3000));

  // A zero or negative amount lets the timer fire at once: the first wait finds it due, and it
  // comes before the message that is waiting too.
  const platform::ThreadId self = platform::CurrentThreadId();
  bool dispatched = false;
  for (auto [amount, unit] : {std::pair{0, int64_t{0}}, std::pair{-5, int64_t{3}}}) {
    platform::PostThreadMessage(self, {.handler = [&] { dispatched = true; }});
    EXPECT_EQ(SleepPumping(amount, unit), 1);
    EXPECT_FALSE(dispatched) << amount;
    CmdProcessEvents();
    EXPECT_TRUE(dispatched);
    dispatched = false;
  }
}

std::atomic<int> pumpCalls{0};
void CountingPump() { ++pumpCalls; }

TEST(SleepPumpingTest, ThreadWithAnEventPumpLooksAtItDuringThePause) {
  // The extra pump's events cannot wake the wait, so the pause must look at them itself.
  platform::SetCurrentThreadEventPump(&CountingPump);
  pumpCalls = 0;
  const Clock::time_point start = Clock::now();
  SleepPumping(100);
  platform::SetCurrentThreadEventPump(nullptr);
  EXPECT_GE(Elapsed(start), milliseconds(100));
  // Each slice of the wait that ends without a message looks at it; the first ends long before
  // the timer is due.
  EXPECT_GE(pumpCalls.load(), 1);
}

}  // namespace
