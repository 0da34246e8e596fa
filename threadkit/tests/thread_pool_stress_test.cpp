// Many create / post / pause / resume / destroy cycles on one instance from several threads.
// A thread whose Create succeeds owns that cycle and is the only one to destroy it; the others
// post, pause, resume and wait into whatever pool is running.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "platform/kernel/interlocked.h"
#include "threadkit/tests/thread_pool_fixture.h"
#include "threadkit/thread_pool.h"

namespace {

using namespace pool_testing;
using platform::Handle;

constexpr int kThreads = 4;
constexpr int kCycles = 200;

class ThreadPoolStressTest : public PoolTest {
 protected:
  // A new task number; once the slots are used up, visitors stop posting.
  int32_t NextTask() { return nextTask_.fetch_add(1); }
  bool SlotsLeft() const { return nextTask_.load() < kTaskSlots - 12 * (kCycles + kThreads); }

  void RecordHandles() {
    ThreadPool* pool = Pool();
    std::lock_guard lock(mutex_);
    for (Handle h : {pool->port, pool->growEvent, pool->startedEvent, pool->taskDoneEvent,
                     pool->runGate, pool->managerThread}) {
      handles_.push_back(h);
    }
  }

  void OwnCycle(std::minstd_rand& random) {
    RecordHandles();
    std::vector<int32_t> posted;
    const int tasks = static_cast<int>(random() % 12);
    for (int i = 0; i < tasks; ++i) {
      const int32_t task = NextTask();
      if (ThreadPool::Post(Cell(), CountingTask, task) != 0) posted.push_back(task);
      if (random() % 4 == 0) {
        ThreadPool::Pause(Cell());
        if (random() % 2 == 0) ThreadPool::Resume(Cell());
      }
      if (random() % 5 == 0)
        ThreadPool::SetMaxThreads(Cell(), 1 + static_cast<int32_t>(random() % 4));
    }
    if (random() % 3 == 0) ThreadPool::WaitTaskDone(Cell(), 2);
    const int32_t mode = static_cast<int32_t>(random() % 4);  // one of the four modes
    const int32_t timeout = random() % 4 == 0 ? 3 : 0;
    const int32_t result = ThreadPool::Destroy(Cell(), mode, timeout);
    const bool waits =
        mode == ThreadPool::kDropQueuedAndWait || mode == ThreadPool::kRunQueuedAndWait;
    if (waits && timeout == 0) {
      EXPECT_EQ(result, 1);
    }
    if (mode == ThreadPool::kRunQueuedAndWait || mode == ThreadPool::kRunQueuedNoWait) {
      // Posted before the destruction: ahead of every exit packet.
      std::lock_guard lock(mutex_);
      mustRun_.insert(mustRun_.end(), posted.begin(), posted.end());
    }
    cycles_.fetch_add(1);
  }

  void Visit(std::minstd_rand& random) {
    switch (random() % 5) {
      case 0:
      case 1:
        if (SlotsLeft()) ThreadPool::Post(Cell(), CountingTask, NextTask());
        break;
      case 2:
        ThreadPool::Pause(Cell());
        ThreadPool::Resume(Cell());
        break;
      case 3:
        ThreadPool::WaitTaskDone(Cell(), 1);
        break;
      default:
        ThreadPool::IdleCount(Cell());
        std::this_thread::yield();
    }
  }

  void Run(int index) {
    std::minstd_rand random(static_cast<unsigned>(index) * 7919u + 1u);
    while (cycles_.load() < kCycles) {
      ThreadPoolCreateOptions options;
      options.initialThreads = 1 + static_cast<int32_t>(random() % 3);
      options.maxThreads = 1 + static_cast<int32_t>(random() % 4);
      options.idleTimeout = 100;
      if (ThreadPool::Create(Cell(), options) == 1) {
        OwnCycle(random);
      } else {
        for (int i = 0; i < 3; ++i) Visit(random);
      }
    }
  }

  std::atomic<int32_t> nextTask_{0};
  std::atomic<int32_t> cycles_{0};
  std::mutex mutex_;
  std::vector<int32_t> mustRun_;
  std::vector<Handle> handles_;
};

TEST_F(ThreadPoolStressTest, CyclesFromSeveralThreadsRunEveryTaskAtMostOnceAndLeaveNothing) {
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) threads.emplace_back([this, i] { Run(i); });
  for (std::thread& thread : threads) thread.join();

  ASSERT_TRUE(Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateNone; }));
  ASSERT_TRUE(Eventually([&] { return platform::LoadRelaxed(Pool()->members) == 0; }));
  EXPECT_GE(cycles_.load(), kCycles);
  ASSERT_LE(nextTask_.load(), kTaskSlots);
  for (int32_t task = 0; task < nextTask_.load(); ++task) {
    ASSERT_LE(runs[task].load(), 1) << "task " << task << " ran twice";
  }
  for (int32_t task : mustRun_) EXPECT_EQ(runs[task].load(), 1) << "task " << task;
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 0);
  EXPECT_EQ(ThreadPool::BusyCount(Cell()), 0);
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 0);
  EXPECT_EQ(platform::LoadRelaxed(Pool()->starting), 0);
  EXPECT_EQ(platform::LoadRelaxed(Pool()->callers), 0);
  for (Handle h : handles_) EXPECT_FALSE(IsOpen(h)) << "handle " << h;
}

}  // namespace
