#include "toolkit/sleep_pumping.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/event_pump.h"
#include "platform/message_queue.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Elapsed(Clock::time_point since) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - since);
}

TEST(SleepPumpingTest, DispatchesAMessagePostedDuringThePause) {
  platform::MessageQueue::OfCurrentThread();  // the queue must exist before anyone posts to it
  const platform::ThreadId sleeper = platform::CurrentThreadId();
  std::atomic<bool> dispatched{false};
  std::atomic<bool> dispatchedBeforeReturn{false};
  std::thread poster([&] {
    std::this_thread::sleep_for(milliseconds(10));
    platform::PostThreadMessage(sleeper, {.handler = [&] { dispatched = true; }});
  });
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(SleepPumping(50), 1);
  const milliseconds elapsed = Elapsed(start);
  dispatchedBeforeReturn = dispatched.load();
  poster.join();
  EXPECT_TRUE(dispatchedBeforeReturn);
  EXPECT_GE(elapsed, milliseconds(50));
  EXPECT_LT(elapsed, milliseconds(1000));
}

TEST(SleepPumpingTest, UnitsAndAmounts) {
  Clock::time_point start = Clock::now();
  SleepPumping(2, 500);  // a unit beyond 3 is itself the multiplier
  EXPECT_GE(Elapsed(start), milliseconds(1000));
  EXPECT_LT(Elapsed(start), milliseconds(3000));

  // A zero or negative amount lets the timer fire at once.
  start = Clock::now();
  EXPECT_EQ(SleepPumping(0), 1);
  EXPECT_EQ(SleepPumping(-5, 3), 1);
  EXPECT_LT(Elapsed(start), milliseconds(500));
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
  EXPECT_GE(pumpCalls.load(), 3);
}

}  // namespace
