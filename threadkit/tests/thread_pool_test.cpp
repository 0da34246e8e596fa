#include "threadkit/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/kernel/interlocked.h"
#include "platform/message_queue.h"
#include "platform/tick_count.h"
#include "tests/thread_state.h"
#include "threadkit/tests/thread_pool_fixture.h"

namespace {

using namespace pool_testing;
using platform::Handle;

// The stack sizes that thread creations ask for while it exists.
class StackSizeRecorder {
 public:
  StackSizeRecorder() {
    platform::SetThreadCreationFilter([this](const platform::ThreadCreationRequest& request) {
      std::lock_guard lock(mutex_);
      sizes_.push_back(request.stackSize);
      return true;
    });
  }
  ~StackSizeRecorder() { platform::SetThreadCreationFilter(nullptr); }
  std::vector<size_t> Sizes() {
    std::lock_guard lock(mutex_);
    return sizes_;
  }

 private:
  std::mutex mutex_;
  std::vector<size_t> sizes_;
};

using ThreadPoolTest = PoolTest;

TEST_F(ThreadPoolTest, CreateWithoutArgumentsStartsFivePermanentWorkers) {
  StackSizeRecorder recorder;
  ASSERT_EQ(ThreadPool::Create(Cell()), 1);
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateRunning);
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 5) << "Create waits until its workers count";
  EXPECT_EQ(ThreadPool::MaxThreads(Cell()), 20);
  EXPECT_EQ(Pool()->idleTimeout, 10000);
  EXPECT_EQ(Pool()->stackSize, 0);
  EXPECT_EQ(ThreadPool::IdleCount(Cell()), 5);
  EXPECT_EQ(ThreadPool::IsIdle(Cell()), 1);
  // The manager first, with its own small stack, then the workers with the default.
  EXPECT_EQ(recorder.Sizes(), (std::vector<size_t>{8192, 0, 0, 0, 0, 0}));
}

TEST_F(ThreadPoolTest, CreateSettlesEveryParameter) {
  struct Case {
    ThreadPoolCreateOptions options;
    int32_t live, maxThreads, idleTimeout, stackSize;
  };
  const Case cases[] = {
      {{.initialThreads = 0}, 1, 20, 10000, 0},
      {{.initialThreads = -4, .maxThreads = 0}, 1, 1, 10000, 0},
      {{.initialThreads = 3, .maxThreads = 1}, 3, 3, 10000, 0},
      {{.initialThreads = 1, .idleTimeout = 50}, 1, 20, 100, 0},
      {{.initialThreads = 1, .idleTimeout = 100}, 1, 20, 100, 0},
      {{.initialThreads = 1, .stackSize = 1}, 1, 20, 10000, 8192},
      {{.initialThreads = 1, .stackSize = -5}, 1, 20, 10000, 8192},
      {{.initialThreads = 1, .stackSize = 12000}, 1, 20, 10000, 8192},
      {{.initialThreads = 1, .stackSize = 12288}, 1, 20, 10000, 12288},
      {{.initialThreads = 1, .stackSize = 12289}, 1, 20, 10000, 12288},
      {{.initialThreads = 1, .stackSize = 16383}, 1, 20, 10000, 12288},
      {{.initialThreads = 1, .stackSize = 0}, 1, 20, 10000, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "expecting live " << c.live << ", stack " << c.stackSize);
    StackSizeRecorder recorder;
    ASSERT_EQ(ThreadPool::Create(Cell(), c.options), 1);
    EXPECT_EQ(ThreadPool::LiveCount(Cell()), c.live);
    EXPECT_EQ(ThreadPool::MaxThreads(Cell()), c.maxThreads);
    EXPECT_EQ(Pool()->idleTimeout, c.idleTimeout);
    EXPECT_EQ(Pool()->stackSize, c.stackSize);
    const std::vector<size_t> sizes = recorder.Sizes();
    ASSERT_EQ(sizes.size(), static_cast<size_t>(1 + c.live));
    for (size_t i = 1; i < sizes.size(); ++i) EXPECT_EQ(sizes[i], static_cast<size_t>(c.stackSize));
    ASSERT_EQ(ThreadPool::Destroy(Cell()), 1);
    EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateNone);
  }
}

TEST_F(ThreadPoolTest, CreateOnARunningPoolChangesNothing) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 2, .maxThreads = 3}), 1);
  const Handle port = Pool()->port;
  EXPECT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 4, .maxThreads = 9}), 0);
  EXPECT_EQ(Pool()->port, port);
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 2);
  EXPECT_EQ(ThreadPool::MaxThreads(Cell()), 3);
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateRunning);
}

TEST_F(ThreadPoolTest, DestroyOfAPoolNeverCreatedSucceedsAndASecondWhileTheFirstWaitsIsRefused) {
  EXPECT_EQ(ThreadPool::Destroy(Cell()), 1);
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1);
  PostBlocking(1);
  std::atomic<int32_t> first{-1};
  std::thread destroyer(
      [&] { first = ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedAndWait); });
  ASSERT_TRUE(
      Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateDestroying; }));
  EXPECT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedAndWait), 0);
  EXPECT_EQ(ThreadPool::Create(Cell()), 0);
  platform::SetEvent(release);
  destroyer.join();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateNone);
  EXPECT_EQ(runs[1], 1) << "a running task finishes";
}

// One worker busy with a blocking task and three tasks queued behind it when Destroy is called.
TEST_F(ThreadPoolTest, DestroyModesDropOrRunTheQueuedTasksAndWaitOrNot) {
  struct Case {
    int32_t mode;
    bool runsQueued;
    bool waits;
  };
  const Case cases[] = {{ThreadPool::kDropQueuedAndWait, false, true},
                        {ThreadPool::kRunQueuedAndWait, true, true},
                        {ThreadPool::kDropQueuedNoWait, false, false},
                        {ThreadPool::kRunQueuedNoWait, true, false},
                        {7, false, true},
                        {-1, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode);
    platform::ResetEvent(release);
    entered = 0;
    for (int32_t i = 0; i <= 3; ++i) runs[i] = 0;
    ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1, .maxThreads = 1}), 1);
    PostBlocking(0);
    for (int32_t i = 1; i <= 3; ++i) ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, i), 1);
    EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 3);
    if (c.waits) {
      std::atomic<int32_t> result{-1};
      std::thread destroyer([&] { result = ThreadPool::Destroy(Cell(), c.mode); });
      ASSERT_TRUE(
          Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateDestroying; }));
      EXPECT_EQ(result, -1) << "waits while the task runs";
      platform::SetEvent(release);
      destroyer.join();
      EXPECT_EQ(result, 1);
      EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateNone)
          << "released when Destroy returns";
    } else {
      EXPECT_EQ(ThreadPool::Destroy(Cell(), c.mode), 1);
      EXPECT_EQ(runs[0], 0) << "returned while the task still runs";
      platform::SetEvent(release);
      ASSERT_TRUE(Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateNone; }));
    }
    EXPECT_EQ(runs[0], 1);
    for (int32_t i = 1; i <= 3; ++i) EXPECT_EQ(runs[i], c.runsQueued ? 1 : 0) << "task " << i;
    EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 0);
    EXPECT_EQ(ThreadPool::BusyCount(Cell()), 0);
    EXPECT_EQ(ThreadPool::LiveCount(Cell()), 0);
  }
}

TEST_F(ThreadPoolTest, DestroyWithALimitReturnsAtTheLimitAndThePoolEndsWithItsTask) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1);
  PostBlocking(1);
  const uint32_t t0 = platform::GetTickCount();
  EXPECT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedAndWait, 20), 0);
  EXPECT_GT(platform::GetTickCount() - t0, 20u);
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateDestroying)
      << "the destruction goes on by itself";
  EXPECT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedAndWait, 20), 0)
      << "a destruction is under way";
  platform::SetEvent(release);
  ASSERT_TRUE(Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateNone; }));
  EXPECT_EQ(runs[1], 1);
  EXPECT_EQ(ThreadPool::Destroy(Cell()), 1);
}

TEST_F(ThreadPoolTest, DestroyingAPausedPoolOpensTheGate) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 2, .maxThreads = 2}), 1);
  ASSERT_EQ(ThreadPool::Pause(Cell()), 1);
  for (int32_t i = 1; i <= 4; ++i) ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, i), 1);
  EXPECT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kRunQueuedAndWait), 1);
  for (int32_t i = 1; i <= 4; ++i) EXPECT_EQ(runs[i], 1) << "held and queued tasks run";
}

TEST_F(ThreadPoolTest, DestroyPostsOneExitPacketMoreThanThereAreLiveWorkers) {
  for (int32_t k : {1, 3, 8}) {
    SCOPED_TRACE(testing::Message() << k << " workers");
    platform::ResetEvent(release);
    ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = k, .maxThreads = k}), 1);
    // Busy, no worker can take the first exit packet and leave before live is read.
    for (int32_t i = 1; i <= k; ++i) PostBlocking(i);
    ASSERT_EQ(ThreadPool::LiveCount(Cell()), k);
    // A worker counts itself live a moment before it stops counting as starting.
    ASSERT_TRUE(Eventually([&] { return platform::LoadRelaxed(Pool()->starting) == 0; }));
    CountExitPackets();
    ASSERT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedNoWait), 1);
    EXPECT_EQ(ExitPackets(), k + 1);
    platform::SetKernelCallObserver(nullptr);
    platform::SetEvent(release);
    ASSERT_TRUE(Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateNone; }));
  }
}

TEST_F(ThreadPoolTest, APoolCreatedAgainHasFreshHandlesAndCountersAtZero) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 2}), 1);
  const std::vector<Handle> old = {Pool()->port,          Pool()->growEvent, Pool()->startedEvent,
                                   Pool()->taskDoneEvent, Pool()->runGate,   Pool()->managerThread};
  PostBlocking(1);
  ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, 2), 1);
  ASSERT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedNoWait), 1);
  platform::SetEvent(release);
  ASSERT_TRUE(Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateNone; }));
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 0);
  EXPECT_EQ(ThreadPool::IsIdle(Cell()), 1);
  EXPECT_EQ(ThreadPool::MaxThreads(Cell()), 20) << "the setting stays";
  for (Handle h : old) EXPECT_FALSE(IsOpen(h));
  EXPECT_EQ(Pool()->port, 0);
  EXPECT_EQ(Pool()->managerThread, 0);

  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 3}), 1);
  const std::vector<Handle> fresh = {Pool()->port,         Pool()->growEvent,
                                     Pool()->startedEvent, Pool()->taskDoneEvent,
                                     Pool()->runGate,      Pool()->managerThread};
  for (size_t i = 0; i < fresh.size(); ++i) {
    EXPECT_NE(fresh[i], old[i]);
    EXPECT_TRUE(IsOpen(fresh[i]));
  }
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 3);
  EXPECT_EQ(ThreadPool::BusyCount(Cell()), 0);
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 0);
  ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, 3), 1);
  EXPECT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kRunQueuedAndWait), 1);
  EXPECT_EQ(runs[3], 1);
}

TEST_F(ThreadPoolTest, TheManagerGrowsThePoolOneWorkerAtATimeAndAddedWorkersLeaveWhenIdle) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1, .maxThreads = 4, .idleTimeout = 100}),
            1);
  for (int32_t i = 1; i <= 4; ++i) {
    PostBlocking(i);
    EXPECT_EQ(ThreadPool::LiveCount(Cell()), i);
    EXPECT_EQ(ThreadPool::BusyCount(Cell()), i);
    EXPECT_EQ(ThreadPool::IdleCount(Cell()), 0);
  }
  ASSERT_EQ(ThreadPool::Post(Cell(), BlockingTask, 5), 1);
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 1) << "the fifth waits: the maximum is reached";
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 4);

  platform::SetEvent(release);
  ASSERT_TRUE(Eventually([&] { return runs[5].load() == 1; }));
  ASSERT_TRUE(Eventually([&] { return ThreadPool::LiveCount(Cell()) == 1; }))
      << "the three added workers leave after the idle time-out";
  // The permanent worker has been idle for longer than the added ones; it stays.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 1);
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateRunning);
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 0);
}

TEST_F(ThreadPoolTest, WhenEveryWorkerCreationFailsCreateClosesEverythingAndFails) {
  std::vector<Handle> made;
  std::mutex mutex;
  int32_t workerAttempts = 0;
  platform::SetThreadCreationFilter([&](const platform::ThreadCreationRequest& request) {
    std::lock_guard lock(mutex);
    if (request.stackSize == 8192) return true;  // the manager
    ++workerAttempts;
    ThreadPool* pool = Pool();
    made = {pool->port,          pool->growEvent, pool->startedEvent,
            pool->taskDoneEvent, pool->runGate,   pool->managerThread};
    return false;
  });
  EXPECT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 8}), 0);
  platform::SetThreadCreationFilter(nullptr);
  EXPECT_EQ(workerAttempts, 5) << "five failures in a row end the loop";
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateNone);
  ASSERT_EQ(made.size(), 6u);
  for (Handle h : made) {
    EXPECT_NE(h, 0);
    EXPECT_FALSE(IsOpen(h));
  }
  EXPECT_EQ(Pool()->port, 0);
  EXPECT_EQ(Pool()->runGate, 0);
  EXPECT_EQ(Pool()->managerThread, 0);
  EXPECT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1) << "it can be tried again";
}

TEST_F(ThreadPoolTest, AFailedManagerCreationFailsCreate) {
  platform::SetThreadCreationFilter([](const platform::ThreadCreationRequest&) { return false; });
  EXPECT_EQ(ThreadPool::Create(Cell()), 0);
  platform::SetThreadCreationFilter(nullptr);
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateNone);
  EXPECT_EQ(Pool()->port, 0);
  EXPECT_EQ(Pool()->growEvent, 0);
}

TEST_F(ThreadPoolTest, SomeFailedWorkerCreationsStillGiveARunningPool) {
  int32_t attempts = 0;
  platform::SetThreadCreationFilter([&](const platform::ThreadCreationRequest& request) {
    return request.stackSize == 8192 || ++attempts % 2 == 0;
  });
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 4, .maxThreads = 6}), 1);
  platform::SetThreadCreationFilter(nullptr);
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 2);
  EXPECT_EQ(ThreadPool::MaxThreads(Cell()), 6) << "unchanged by the failures";
}

TEST_F(ThreadPoolTest, TheManagerLowersTheMaximumAfterFiveFailedCreations) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1, .maxThreads = 4}), 1);
  std::atomic<int32_t> attempts{0};
  platform::SetThreadCreationFilter([&](const platform::ThreadCreationRequest&) {
    attempts.fetch_add(1);
    return false;
  });
  PostBlocking(1);
  ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, 2), 1);
  ASSERT_TRUE(Eventually([&] { return ThreadPool::MaxThreads(Cell()) == 1; }));
  EXPECT_EQ(attempts, 5);
  platform::SetThreadCreationFilter(nullptr);
  ThreadPool::SetMaxThreads(Cell(), 2);
  ASSERT_TRUE(Eventually([&] { return runs[2].load() == 1; })) << "raised again, it grows";
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 2);
}

TEST_F(ThreadPoolTest, PostIsRefusedWhenNotRunningOrForAddressZero) {
  EXPECT_EQ(ThreadPool::Post(Cell(), CountingTask, 1), 0);
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 0);
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1);
  EXPECT_EQ(ThreadPool::Post(Cell(), nullptr, 1), 0);
  EXPECT_EQ(ThreadPool::PostAddress(Cell(), 0, 1), 0);
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 0);
  ASSERT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedNoWait), 1);
  EXPECT_EQ(ThreadPool::Post(Cell(), CountingTask, 1), 0) << "destroying";
  EXPECT_EQ(runs[1], 0);
}

TEST_F(ThreadPoolTest, ATaskGetsItsArgumentAndKeyUnchanged) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1);
  ASSERT_EQ(ThreadPool::PostAddress(Cell(), reinterpret_cast<intptr_t>(&CountingTask), 7, -2), 1);
  ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, 8, 0x7FFFFFFF), 1);
  ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, 9), 1);
  ASSERT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kRunQueuedAndWait), 1);
  EXPECT_EQ(runs[7], 1);
  EXPECT_EQ(keys[7], -2);
  EXPECT_EQ(keys[8], 0x7FFFFFFF);
  EXPECT_EQ(keys[9], 0);
}

TEST_F(ThreadPoolTest, TenPostsToABusyPoolAreQueuedAndWakeTheManager) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1, .maxThreads = 4}), 1);
  PostBlocking(0);
  std::atomic<int32_t> wakes{0};
  const Handle grow = Pool()->growEvent;
  platform::SetKernelCallObserver([&](const platform::KernelCall& call) {
    if (call.kind == platform::KernelCallKind::kSetEvent && call.handle == grow) wakes.fetch_add(1);
  });
  // Held by the gate, new workers neither take tasks nor change the growth test's outcome.
  ASSERT_EQ(ThreadPool::Pause(Cell()), 1);
  for (int32_t i = 1; i <= 10; ++i) ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, i), 1);
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 10) << "a task counts until it runs";
  EXPECT_EQ(wakes, 10);
  platform::SetKernelCallObserver(nullptr);
  ASSERT_EQ(ThreadPool::Resume(Cell()), 1);
  platform::SetEvent(release);
  ASSERT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kRunQueuedAndWait), 1);
  for (int32_t i = 1; i <= 10; ++i) EXPECT_EQ(runs[i], 1);
}

TEST_F(ThreadPoolTest, WaitTaskDoneWithoutPumping) {
  EXPECT_EQ(ThreadPool::WaitTaskDone(Cell()), 0) << "not running";
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1);
  EXPECT_EQ(ThreadPool::WaitTaskDone(Cell(), 30), 0) << "the time limit";
  ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, 1), 1);
  EXPECT_EQ(ThreadPool::WaitTaskDone(Cell()), 1);
  EXPECT_EQ(runs[1], 1);
  EXPECT_EQ(ThreadPool::WaitTaskDone(Cell(), 0), 0) << "one signal per finished task";
}

TEST_F(ThreadPoolTest, WaitTaskDoneGivesOneWhenThePoolIsDestroyedUnderIt) {
  for (int32_t pump : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "pump " << pump);
    ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1);
    PostBlocking(pump);
    std::atomic<int32_t> result{-1};
    std::atomic<pid_t> waiterId{0};
    std::thread waiter([&] {
      waiterId = platform::CurrentThreadId();
      result = ThreadPool::WaitTaskDone(Cell(), std::nullopt, pump);
    });
    // Destroyed once the waiter is blocked in its wait: one that came later would find the state
    // no longer running.
    ASSERT_TRUE(Eventually([&] { return waiterId.load() != 0; }));
    testing_support::AwaitSleeping(waiterId);
    ASSERT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedNoWait), 1);
    waiter.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ThreadPool::WaitTaskDone(Cell(), std::nullopt, pump), 0) << "no longer running";
    platform::SetEvent(release);
    ASSERT_TRUE(Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateNone; }));
    platform::ResetEvent(release);
  }
}

TEST_F(ThreadPoolTest, APumpingWaitTaskDoneProcessesMessagesAndKeepsItsLimit) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1);
  std::atomic<int32_t> handled{0};
  platform::MessageQueue& queue = platform::MessageQueue::OfCurrentThread();
  queue.Post({.id = 0x400, .handler = [&] { handled.fetch_add(1); }});
  const uint32_t t0 = platform::GetTickCount();
  EXPECT_EQ(ThreadPool::WaitTaskDone(Cell(), 100, 1), 0);
  EXPECT_GT(platform::GetTickCount() - t0, 100u);
  EXPECT_EQ(handled, 1) << "processed before the first step";

  // A message that posts the task: processed while the wait goes on, the task's signal ends it.
  queue.Post({.id = 0x400, .handler = [&] { ThreadPool::Post(Cell(), CountingTask, 5); }});
  EXPECT_EQ(ThreadPool::WaitTaskDone(Cell(), -1, 1), 1);
  EXPECT_EQ(runs[5], 1);
}

TEST_F(ThreadPoolTest, PauseHoldsTasksAndResumeReleasesThem) {
  EXPECT_EQ(ThreadPool::Pause(Cell()), 0) << "not running";
  EXPECT_EQ(ThreadPool::Resume(Cell()), 0);
  EXPECT_EQ(ThreadPool::WaitRunGate(Cell(), 0), 0);
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 2, .maxThreads = 2}), 1);
  EXPECT_EQ(ThreadPool::WaitRunGate(Cell()), 1);
  PostBlocking(0);
  ASSERT_EQ(ThreadPool::Pause(Cell()), 1);
  EXPECT_EQ(ThreadPool::WaitRunGate(Cell(), 10), 0);
  for (int32_t i = 1; i <= 3; ++i) ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, i), 1);
  platform::SetEvent(release);
  ASSERT_TRUE(Eventually([&] { return ThreadPool::BusyCount(Cell()) == 0; }))
      << "the running task finishes";
  // The signal follows the count's drop.
  EXPECT_EQ(ThreadPool::WaitTaskDone(Cell(), 10000), 1) << "its signal";
  EXPECT_EQ(ThreadPool::WaitTaskDone(Cell(), 50), 0) << "nothing runs while paused";
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 3);
  for (int32_t i = 1; i <= 3; ++i) EXPECT_EQ(runs[i], 0);

  ASSERT_EQ(ThreadPool::Resume(Cell()), 1);
  EXPECT_TRUE(Eventually([&] { return runs[1] + runs[2] + runs[3] == 3; }));
  EXPECT_EQ(ThreadPool::WaitRunGate(Cell(), 0), 1);
}

TEST_F(ThreadPoolTest, TheSettersClampWhileRunningAndChangeNothingOtherwise) {
  ThreadPool::SetMaxThreads(Cell(), 5);
  ThreadPool::SetIdleTimeout(Cell(), 500);
  ThreadPool::SetStackSize(Cell(), 20000);
  EXPECT_EQ(Pool()->maxThreads, 0);
  EXPECT_EQ(Pool()->idleTimeout, 0);
  EXPECT_EQ(Pool()->stackSize, 0);

  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1);
  struct Case {
    int32_t given;
    int32_t maxThreads;
  };
  for (const Case& c : {Case{0, 1}, Case{-3, 1}, Case{1, 1}, Case{7, 7}}) {
    ThreadPool::SetMaxThreads(Cell(), c.given);
    EXPECT_EQ(ThreadPool::MaxThreads(Cell()), c.maxThreads) << c.given;
  }
  for (const Case& c : {Case{99, 100}, Case{-1, 100}, Case{100, 100}, Case{250, 250}}) {
    ThreadPool::SetIdleTimeout(Cell(), c.given);
    EXPECT_EQ(Pool()->idleTimeout, c.maxThreads) << c.given;
  }
  const std::pair<std::optional<int32_t>, int32_t> stacks[] = {
      {1, 8192},      {-1, 8192}, {8193, 8192},     {20000, 16384},
      {24576, 24576}, {0, 0},     {std::nullopt, 0}};
  for (const auto& [given, expected] : stacks) {
    ThreadPool::SetStackSize(Cell(), given);
    EXPECT_EQ(Pool()->stackSize, expected) << given.value_or(-999);
  }

  ASSERT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedNoWait), 1);
  ThreadPool::SetMaxThreads(Cell(), 9);
  ThreadPool::SetIdleTimeout(Cell(), 999);
  ThreadPool::SetStackSize(Cell(), 40000);
  EXPECT_EQ(Pool()->maxThreads, 7) << "refused while destroying";
  EXPECT_EQ(Pool()->idleTimeout, 250);
  EXPECT_EQ(Pool()->stackSize, 0);
}

TEST_F(ThreadPoolTest, TheStackSizeSetWhileRunningIsGivenToWorkersAddedLater) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1, .maxThreads = 2}), 1);
  ThreadPool::SetStackSize(Cell(), 20000);
  StackSizeRecorder recorder;
  PostBlocking(1);
  PostBlocking(2);
  EXPECT_EQ(recorder.Sizes(), std::vector<size_t>{16384});
}

TEST_F(ThreadPoolTest, IdleCountIsLiveLessBusy) {
  EXPECT_EQ(ThreadPool::IdleCount(Cell()), 0);
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 3, .maxThreads = 3}), 1);
  PostBlocking(1);
  PostBlocking(2);
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 3);
  EXPECT_EQ(ThreadPool::BusyCount(Cell()), 2);
  EXPECT_EQ(ThreadPool::IdleCount(Cell()), 1);
  EXPECT_EQ(ThreadPool::IsIdle(Cell()), 0);
}

TEST_F(ThreadPoolTest, ACopySharesTheHandlesAndStubs) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 2}), 1);
  ThreadPool* copy = Pool()->operations->copy(Cell());
  EXPECT_NE(copy, Pool());
  EXPECT_EQ(copy->operations, Pool()->operations);
  EXPECT_EQ(copy->workerStub, Pool()->workerStub);
  EXPECT_EQ(copy->managerStub, Pool()->managerStub);
  EXPECT_EQ(copy->port, Pool()->port);
  EXPECT_EQ(copy->runGate, Pool()->runGate);
  EXPECT_EQ(copy->managerThread, Pool()->managerThread);
  EXPECT_EQ(copy->state, ThreadPool::kStateRunning);
  EXPECT_EQ(copy->live, 2);
  EXPECT_EQ(copy->maxThreads, 20);
  // Only the original is destructed; the copy's memory is freed without it.
  delete copy;
}

}  // namespace
