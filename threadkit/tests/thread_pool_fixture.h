// What the pool's tests share: tasks that count their runs or block until released, a wait for
// a condition that other threads bring about, and a fixture that leaves no thread of a pool
// behind.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/kernel/call_faults.h"
#include "platform/kernel/event.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/thread_faults.h"
#include "platform/kernel/wait.h"
#include "threadkit/instance.h"
#include "threadkit/thread_pool.h"

namespace pool_testing {

inline constexpr int32_t kTaskSlots = 1 << 16;

// Per argument: how often a task ran with it, and the key it last got.
inline std::array<std::atomic<int32_t>, kTaskSlots> runs;
inline std::array<std::atomic<int32_t>, kTaskSlots> keys;
// Blocking tasks: how many have begun, and the manual-reset event that lets them finish.
inline std::atomic<int32_t> entered{0};
inline platform::Handle release = 0;

inline void CountingTask(int32_t argument, int32_t key) {
  keys[argument].store(key);
  runs[argument].fetch_add(1);
}

inline void BlockingTask(int32_t argument, int32_t key) {
  entered.fetch_add(1);
  platform::WaitForSingleObject(release, platform::INFINITE);
  CountingTask(argument, key);
}

// True once condition holds, false when it still does not after the limit. The pool's threads
// bring the condition about; this only looks.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

inline bool IsOpen(platform::Handle handle) {
  return platform::HandleTable::Process().Find(handle) != nullptr;
}

class PoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto& r : runs) r.store(0);
    for (auto& k : keys) k.store(0);
    entered = 0;
    release = platform::CreateEvent(true, false);
  }
  void TearDown() override {
    platform::SetKernelCallObserver(nullptr);
    platform::SetThreadCreationFilter(nullptr);
    platform::SetEvent(release);
    // Every thread of the pool has left before the next test resets the counters.
    ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedAndWait);
    EXPECT_TRUE(Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateNone; }));
    EXPECT_TRUE(Eventually([&] { return platform::LoadRelaxed(pool_.Get()->members) == 0; }));
    platform::CloseHandle(release);
  }

  ThreadPool::Cell Cell() const { return pool_.Cell(); }
  ThreadPool* Pool() const { return pool_.Get(); }

  // Posts a blocking task and waits until it has begun.
  void PostBlocking(int32_t argument) {
    const int32_t before = entered.load();
    ASSERT_NE(ThreadPool::Post(Cell(), BlockingTask, argument), 0);
    ASSERT_TRUE(Eventually([&] { return entered.load() > before; }));
  }

  // The exit packets posted to the pool's port from now on.
  void CountExitPackets() {
    exitPackets_ = 0;
    platform::SetKernelCallObserver([this](const platform::KernelCall& call) {
      if (call.kind == platform::KernelCallKind::kPostQueuedCompletionStatus &&
          call.overlapped == ThreadPool::kExitMarker) {
        exitPackets_.fetch_add(1);
      }
    });
  }
  int32_t ExitPackets() const { return exitPackets_.load(); }

  Instance<ThreadPool> pool_;

 private:
  std::atomic<int32_t> exitPackets_{0};
};

}  // namespace pool_testing
