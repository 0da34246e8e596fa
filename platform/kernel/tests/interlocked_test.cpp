#include "platform/kernel/interlocked.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>
#include <vector>

namespace platform {
namespace {

TEST(Interlocked, ResultsAndWrappingOnBothWidths) {
  int32_t small = INT32_MAX;
  EXPECT_EQ(InterlockedIncrement(small), INT32_MIN);
  EXPECT_EQ(InterlockedDecrement(small), INT32_MAX);
  EXPECT_EQ(InterlockedExchange(small, 5), INT32_MAX);
  EXPECT_EQ(InterlockedCompareExchange(small, 9, 4), 5) << "no match: unchanged";
  EXPECT_EQ(small, 5);
  EXPECT_EQ(InterlockedCompareExchange(small, 9, 5), 5);
  EXPECT_EQ(small, 9);

  intptr_t wide = INTPTR_MIN;
  EXPECT_EQ(InterlockedDecrement(wide), INTPTR_MAX);
  EXPECT_EQ(InterlockedIncrement(wide), INTPTR_MIN);
  EXPECT_EQ(InterlockedCompareExchange(wide, intptr_t{1} << 40, INTPTR_MIN), INTPTR_MIN);
  EXPECT_EQ(InterlockedExchange(wide, 0), intptr_t{1} << 40);
}

TEST(Interlocked, ConcurrentIncrementsAndRelaxedReadsLoseNothing) {
  int32_t counter = 0;
  constexpr int kThreads = 4, kEach = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) {
        InterlockedIncrement(counter);
        EXPECT_GE(LoadRelaxed(counter), 0);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(LoadRelaxed(counter), kThreads * kEach);
  StoreRelaxed(counter, 0);
  EXPECT_EQ(counter, 0);
}

}  // namespace
}  // namespace platform
