#include "toolkit/atomic_increment.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(AtomicIncrement, AddsOneAtATimeAcrossThreads) {
  int32_t counter = 7;
  AtomicIncrement(counter);
  EXPECT_EQ(counter, 8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) AtomicIncrement(counter);
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 40008);
}

}  // namespace
