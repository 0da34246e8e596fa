#include "platform/kernel/wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "platform/kernel/event.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/waitable_timer.h"
#include "platform/kernel/waiter.h"
#include "platform/message_queue.h"

namespace platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Spins until the object has the given number of references: the table's, the test's and one
// per wait that has looked it up.
template <typename T>
void AwaitReferences(const std::shared_ptr<T>& object, long count) {
  while (object.use_count() < count) std::this_thread::yield();
}

TEST(HandleTable, HandlesAreNeverTheReservedValuesAndClosedOnesFailWithoutCrashing) {
  std::vector<Handle> handles;
  for (int i = 0; i < 100; ++i) handles.push_back(CreateEvent(true, true));
  for (Handle handle : handles) {
    EXPECT_NE(handle, 0);
    EXPECT_NE(handle, 1);
    EXPECT_NE(handle, -1);
  }
  const Handle closed = handles[0];
  ASSERT_TRUE(CloseHandle(closed));
  EXPECT_EQ(WaitForSingleObject(closed, 0), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(closed));
  EXPECT_FALSE(CloseHandle(closed));
  // A new object never takes a closed handle's number.
  EXPECT_NE(CreateEvent(true, true), closed);
  for (Handle never : {Handle{0}, Handle{1}, Handle{-1}, Handle{6}}) {
    EXPECT_EQ(WaitForSingleObject(never, 0), WAIT_FAILED) << never;
  }
  for (size_t i = 1; i < handles.size(); ++i) EXPECT_TRUE(CloseHandle(handles[i]));
}

TEST(HandleTable, AWaitInProgressKeepsTheObjectOfAClosedHandle) {
  auto event = std::make_shared<Event>(false, false);
  const Handle handle = HandleTable::Process().Insert(event);
  uint32_t result = 0;
  std::thread waiter([&] { result = WaitForSingleObject(handle, INFINITE); });
  AwaitReferences(event, 3);
  ASSERT_TRUE(CloseHandle(handle));
  event->Set();
  waiter.join();
  EXPECT_EQ(result, WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED);
}

// The signal rules, shown on the waiter queue directly so that which waiter got what is exact.
TEST(Event, AutoResetReleasesOneWaiterPerSignalAndSkipsWaitersWokenElsewhere) {
  Event event(false, false);
  Waiter first, second, third;
  for (Waiter* waiter : {&first, &second, &third}) {
    ASSERT_FALSE(event.AcquireOrEnqueue(*waiter, 0));
  }
  ASSERT_TRUE(first.Fire(7));  // woken by another source before the signal comes
  event.Set();
  EXPECT_EQ(first.Stop(), 7);
  EXPECT_EQ(second.Stop(), 0);
  EXPECT_EQ(third.Stop(), Waiter::kStopped);
  event.Dequeue(third);
  Waiter late;
  EXPECT_FALSE(event.AcquireOrEnqueue(late, 0)) << "the one signal was taken";
  event.Dequeue(late);
  event.Set();  // nobody waits: the event stays set for the next one
  EXPECT_TRUE(event.AcquireOrEnqueue(late, 0));
  EXPECT_FALSE(event.AcquireOrEnqueue(late, 0));
  event.Dequeue(late);
}

TEST(Event, ManualResetReleasesEveryWaiterAndStaysSet) {
  const Handle event = CreateEvent(true, false);
  std::vector<std::thread> waiters;
  std::vector<uint32_t> results(3, 99);
  for (uint32_t& result : results) {
    waiters.emplace_back([&] { result = WaitForSingleObject(event, INFINITE); });
  }
  SetEvent(event);
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(results, std::vector<uint32_t>(3, WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  ResetEvent(event);
  EXPECT_EQ(WaitForSingleObject(event, 10), WAIT_TIMEOUT);
  CloseHandle(event);
}

TEST(Event, AutoResetThreadsReturnOncePerSet) {
  const Handle event = CreateEvent(false, false);
  std::atomic<int> returned{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) {
    waiters.emplace_back([&] {
      EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
      ++returned;
    });
  }
  for (int i = 1; i <= 3; ++i) {
    SetEvent(event);
    while (returned < i) std::this_thread::yield();
    // The signal went to a waiter or stays for the next one; none is left over.
  }
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(returned, 3);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  CloseHandle(event);
}

TEST(WaitableTimer, RelativeDueTimeFiresOnceThenWaitsForTheNextSet) {
  const Handle timer = CreateWaitableTimer(false);
  EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_TIMEOUT) << "not set yet";
  const auto start = steady_clock::now();
  ASSERT_TRUE(SetWaitableTimer(timer, -500000, 0));  // 50 ms
  EXPECT_EQ(WaitForSingleObject(timer, INFINITE), WAIT_OBJECT_0);
  EXPECT_GE(steady_clock::now() - start, milliseconds(50));
  EXPECT_EQ(WaitForSingleObject(timer, 10), WAIT_TIMEOUT) << "auto reset";
  // An absolute time long past (what a negative amount gives) is due at once.
  ASSERT_TRUE(SetWaitableTimer(timer, 5000000, 0));
  EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_OBJECT_0);
  CloseHandle(timer);
  EXPECT_FALSE(SetWaitableTimer(timer, -1, 0));
}

TEST(WaitableTimer, ADueTimeBeyondTheClocksReachNeverComes) {
  const Handle timer = CreateWaitableTimer(true);
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  // What pauses of INT32_MAX milliseconds and of 200000000 hours give, the end of the range
  // (where longer pauses are held) and next to it, and the latest absolute time.
  for (const int64_t dueTime : {int64_t{-2147483647} * 10000, int64_t{-200000000} * 36000000000,
                                kMin + 1, -kMax, kMin, kMax}) {
    ASSERT_TRUE(SetWaitableTimer(timer, dueTime, 0));
    EXPECT_EQ(WaitForSingleObject(timer, 20), WAIT_TIMEOUT) << dueTime;
  }
  CloseHandle(timer);
}

class MsgWait : public ::testing::Test {
 protected:
  void TearDown() override {
    MessageQueue& queue = MessageQueue::OfCurrentThread();
    while (queue.TakeUnlessQuit()) {
    }
    queue.TakeNewMessageFlag();
  }
  static uint32_t WaitMessagesOnly(uint32_t timeoutMs) {
    return MsgWaitForMultipleObjects(0, nullptr, false, timeoutMs, 0xFF);
  }
};

TEST_F(MsgWait, WakesOnAMessagePostedFromAnotherThread) {
  const ThreadId self = CurrentThreadId();
  MessageQueue::OfCurrentThread().TakeNewMessageFlag();
  const Handle never = CreateEvent(true, false);
  std::thread poster([&] { PostThreadMessage(self, {.id = 0x400, .handler = {}}); });
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &never, false, INFINITE, 0x4BF), WAIT_OBJECT_0 + 1);
  poster.join();
  DispatchPendingMessages();
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &never, false, 10, 0x4BF), WAIT_TIMEOUT)
      << "a reported message is not new any more";
  CloseHandle(never);
}

TEST_F(MsgWait, AQuitLeftInTheQueueWakesOnlyOnce) {
  // On a thread of its own, whose queue goes with it: nothing takes a quit message out.
  std::thread([] {
    MessageQueue::OfCurrentThread().Post({.id = kQuitMessage, .handler = {}});
    EXPECT_EQ(WaitMessagesOnly(0), WAIT_OBJECT_0);
    DispatchPendingMessages();
    EXPECT_FALSE(MessageQueue::OfCurrentThread().Empty());
    EXPECT_EQ(WaitMessagesOnly(10), WAIT_TIMEOUT);
  }).join();
}

TEST_F(MsgWait, ObjectsComeFirstAndAMaskWithoutPostsIgnoresMessages) {
  const Handle event = CreateEvent(false, true);
  MessageQueue::OfCurrentThread().Post({.id = 0x400, .handler = {}});
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, false, 0, 0xFF), WAIT_OBJECT_0);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, false, 0, 0x0001), WAIT_TIMEOUT);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, false, 0, 0xFF), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, true, 0, 0xFF), WAIT_FAILED) << "wait-all";
  const Handle closed = CreateEvent(false, true);
  CloseHandle(closed);
  const Handle both[] = {event, closed};
  EXPECT_EQ(MsgWaitForMultipleObjects(2, both, false, 0, 0xFF), WAIT_FAILED);
  CloseHandle(event);
}

TEST_F(MsgWait, ServesATimerWhileItWaits) {
  const Handle timer = CreateWaitableTimer(false);
  SetWaitableTimer(timer, -300000, 0);  // 30 ms
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &timer, false, INFINITE, 0xFF), WAIT_OBJECT_0);
  CloseHandle(timer);
}

}  // namespace
}  // namespace platform
