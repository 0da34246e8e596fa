#include "platform/kernel/completion_port.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "platform/kernel/handle_table.h"

namespace platform {
namespace {

TEST(CompletionPort, KeepsPacketsInOrderAndTimesOut) {
  const Handle port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, 0, 0, 0);
  ASSERT_NE(port, 0);
  for (uint32_t i = 1; i <= 3; ++i) {
    ASSERT_TRUE(PostQueuedCompletionStatus(port, i, 10 * i, static_cast<intptr_t>(100 * i)));
  }
  for (uint32_t i = 1; i <= 3; ++i) {
    uint32_t bytes = 0;
    uintptr_t key = 0;
    intptr_t overlapped = 0;
    ASSERT_TRUE(GetQueuedCompletionStatus(port, &bytes, &key, &overlapped, 0));
    EXPECT_EQ(bytes, i);
    EXPECT_EQ(key, 10 * i);
    EXPECT_EQ(overlapped, static_cast<intptr_t>(100 * i));
  }
  uint32_t bytes = 5;
  uintptr_t key = 6;
  intptr_t overlapped = 7;
  EXPECT_FALSE(GetQueuedCompletionStatus(port, &bytes, &key, &overlapped, 20));
  EXPECT_EQ(overlapped, 0);
  // Packets carry full-width values: the pool's exit packet uses the top of each range.
  ASSERT_TRUE(PostQueuedCompletionStatus(port, 0xFFFFFFFF, ~uintptr_t{0}, -2));
  ASSERT_TRUE(GetQueuedCompletionStatus(port, &bytes, &key, &overlapped, 0));
  EXPECT_EQ(bytes, 0xFFFFFFFFu);
  EXPECT_EQ(key, ~uintptr_t{0});
  EXPECT_EQ(overlapped, -2);
  EXPECT_TRUE(CloseHandle(port));
  EXPECT_FALSE(PostQueuedCompletionStatus(port, 1, 1, 1));
  EXPECT_EQ(CreateIoCompletionPort(3, 0, 0, 0), 0) << "ports on files are not supported";
}

TEST(CompletionPort, ClosingWakesEveryWaiterWithFailure) {
  const Handle port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, 0, 0, 0);
  std::shared_ptr<KernelObject> object = HandleTable::Process().Find(port);
  constexpr int kWaiters = 3;
  std::vector<std::thread> waiters;
  std::vector<int> results(kWaiters, -1);
  for (int& result : results) {
    waiters.emplace_back([&] {
      uint32_t bytes;
      uintptr_t key;
      intptr_t overlapped = 1;
      result = GetQueuedCompletionStatus(port, &bytes, &key, &overlapped, INFINITE);
      EXPECT_EQ(overlapped, 0);
    });
  }
  // Every waiter has looked the port up (the table, the test and each waiter hold it).
  while (object.use_count() < 2 + kWaiters) std::this_thread::yield();
  ASSERT_TRUE(CloseHandle(port));
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(results, std::vector<int>(kWaiters, 0));
}

}  // namespace
}  // namespace platform
