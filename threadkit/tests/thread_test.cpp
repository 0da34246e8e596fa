#include "threadkit/thread.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/kernel/event.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/thread_faults.h"
#include "platform/kernel/wait.h"
#include "platform/message_queue.h"
#include "tests/thread_state.h"
#include "threadkit/instance.h"

namespace {

using platform::Handle;

uint32_t ReturnNine(intptr_t) { return 9; }

// Blocks in a kernel-layer wait on the event given as parameter, then ends with 7.
uint32_t WaitForEvent(intptr_t event) {
  platform::WaitForSingleObject(event, platform::INFINITE);
  return 7;
}

bool HandleIsOpen(Handle handle) {
  return platform::HandleTable::Process().Find(handle) != nullptr;
}

class ThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { release_ = platform::CreateEvent(true, false); }
  void TearDown() override {
    platform::SetEvent(release_);
    Thread::Wait(thread_.Cell());
    platform::CloseHandle(release_);
    platform::MessageQueue& queue = platform::MessageQueue::OfCurrentThread();
    while (queue.TakeUnlessQuit()) {
    }
  }
  // Starts a thread that runs until the test releases it.
  int32_t StartBlocked(ThreadStartOptions options = {}) {
    options.param = release_;
    return Thread::Start(thread_.Cell(), WaitForEvent, options);
  }
  Handle release_ = 0;
  Instance<Thread> thread_;
};

TEST_F(ThreadTest, StackSizesAreRoundedAsAsked) {
  std::vector<size_t> asked;
  platform::SetThreadCreationFilter([&](const platform::ThreadCreationRequest& request) {
    asked.push_back(request.stackSize);
    return true;
  });
  const std::vector<std::pair<std::optional<int32_t>, size_t>> cases = {
      {std::nullopt, 0}, {0, 0},       {1, 8192},     {100, 8192},    {8191, 8192},
      {-5, 8192},        {8192, 8192}, {10000, 8192}, {12288, 12288}, {13000, 12288},
  };
  for (const auto& [stackSize, expected] : cases) {
    ASSERT_EQ(Thread::Start(thread_.Cell(), ReturnNine, {.wait = true, .stackSize = stackSize}), 1);
  }
  platform::SetThreadCreationFilter(nullptr);
  ASSERT_EQ(asked.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(asked[i], cases[i].second) << "case " << i;
  }
}

TEST_F(ThreadTest, StartIsRefusedWhileTheThreadRunsAndForgetsOneThatEnded) {
  intptr_t first = 0;
  ASSERT_EQ(StartBlocked({.outHandle = &first}), 1);
  intptr_t untouched = 123;
  int32_t exitUntouched = 456;
  EXPECT_EQ(Thread::Start(thread_.Cell(), ReturnNine,
                          {.outHandle = &untouched, .wait = true, .outExitCode = &exitUntouched}),
            0);
  EXPECT_EQ(untouched, 123);
  EXPECT_EQ(exitUntouched, 456);
  EXPECT_EQ(Thread::Handle(thread_.Cell()), first);

  platform::SetEvent(release_);
  EXPECT_EQ(Thread::Wait(thread_.Cell()), 1);
  EXPECT_EQ(Thread::Handle(thread_.Cell()), first) << "a wait keeps the ended thread's handle";
  intptr_t second = 0;
  ASSERT_EQ(Thread::Start(thread_.Cell(), ReturnNine, {.outHandle = &second}), 1);
  EXPECT_NE(second, first);
  EXPECT_FALSE(HandleIsOpen(first)) << "closed by the start";
}

TEST_F(ThreadTest, AWaitedStartThatEndsGivesTheExitCodeAndKeepsNothing) {
  intptr_t handle = 5;
  int32_t exitCode = 0;
  ASSERT_EQ(Thread::Start(thread_.Cell(), ReturnNine,
                          {.outHandle = &handle, .wait = true, .outExitCode = &exitCode}),
            1);
  EXPECT_EQ(exitCode, 9);
  EXPECT_EQ(handle, 0);
  EXPECT_EQ(Thread::Handle(thread_.Cell()), 0);
}

TEST_F(ThreadTest, AWaitedStartWhoseTimeOutElapsesLeavesTheThreadRunning) {
  intptr_t handle = 0;
  ASSERT_EQ(StartBlocked({.outHandle = &handle, .wait = true, .timeout = 20}), 1);
  EXPECT_NE(handle, 0);
  EXPECT_EQ(handle, Thread::Handle(thread_.Cell()));
  EXPECT_EQ(Thread::IsRunning(thread_.Cell()), 1);
  EXPECT_EQ(Thread::ExitCode(thread_.Cell()), 259);
  EXPECT_EQ(Thread::Wait(thread_.Cell(), 10), 0);
}

TEST_F(ThreadTest, ASuspendedStartIsNotWaitedForAndRunsOnlyAfterResume) {
  std::atomic<bool> ran{false};
  auto routine = [](intptr_t flag) {
    reinterpret_cast<std::atomic<bool>*>(flag)->store(true);
    return 0u;
  };
  ASSERT_EQ(
      Thread::Start(thread_.Cell(), routine,
                    {.param = reinterpret_cast<intptr_t>(&ran), .suspended = true, .wait = true}),
      1);
  EXPECT_EQ(Thread::IsRunning(thread_.Cell()), 1);
  EXPECT_EQ(Thread::Wait(thread_.Cell(), 20), 0);
  EXPECT_FALSE(ran);
  EXPECT_EQ(Thread::Resume(thread_.Cell()), 1);
  EXPECT_EQ(Thread::Wait(thread_.Cell()), 1);
  EXPECT_TRUE(ran);
}

TEST_F(ThreadTest, APumpingStartProcessesMessagesWhileItWaits) {
  // The thread ends only once a message to this thread has been processed.
  platform::MessageQueue::OfCurrentThread().Post(
      {.id = 0x400, .handler = [this] { platform::SetEvent(release_); }});
  int32_t exitCode = 0;
  intptr_t handle = 5;
  ASSERT_EQ(
      StartBlocked({.outHandle = &handle, .wait = true, .outExitCode = &exitCode, .pump = true}),
      1);
  EXPECT_EQ(exitCode, 7);
  EXPECT_EQ(handle, 0);
}

TEST_F(ThreadTest, WaitMessagesProcessesMessagesPostedFromAnotherThread) {
  ASSERT_EQ(StartBlocked(), 1);
  const platform::ThreadId self = platform::CurrentThreadId();
  platform::MessageQueue::OfCurrentThread();  // a post finds no queue before it exists
  std::thread poster([&] {
    platform::PostThreadMessage(self,
                                {.id = 0x400, .handler = [this] { platform::SetEvent(release_); }});
  });
  EXPECT_EQ(Thread::WaitMessages(thread_.Cell()), 1);
  poster.join();
  EXPECT_EQ(Thread::ExitCode(thread_.Cell()), 7);
}

TEST_F(ThreadTest, WaitPumpingTimesOutOnAThreadThatNeverEndsHavingServedMessages) {
  ASSERT_EQ(StartBlocked(), 1);
  int processed = 0;
  platform::MessageQueue::OfCurrentThread().Post({.id = 0x400, .handler = [&] { ++processed; }});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Thread::WaitPumping(thread_.Cell(), 100), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(processed, 1);
  EXPECT_EQ(Thread::IsRunning(thread_.Cell()), 1);
  platform::SetEvent(release_);
  EXPECT_EQ(Thread::WaitPumping(thread_.Cell()), 1);
}

TEST_F(ThreadTest, AnEmptyThreadAnswersAsNothingHeld) {
  EXPECT_EQ(Thread::Close(thread_.Cell()), 1);
  EXPECT_EQ(Thread::Wait(thread_.Cell()), 1);
  EXPECT_EQ(Thread::WaitPumping(thread_.Cell()), 1);
  EXPECT_EQ(Thread::WaitMessages(thread_.Cell()), 1);
  EXPECT_EQ(Thread::Detach(thread_.Cell()), 1);
  EXPECT_EQ(Thread::Terminate(thread_.Cell()), 1);
  EXPECT_EQ(Thread::IsRunning(thread_.Cell()), 0);
  EXPECT_EQ(Thread::ExitCode(thread_.Cell()), 0);
  EXPECT_EQ(Thread::Suspend(thread_.Cell()), 0);
  EXPECT_EQ(Thread::Resume(thread_.Cell()), 0);
  EXPECT_EQ(Thread::GetPriority(thread_.Cell()), 0);
  EXPECT_EQ(Thread::SetPriority(thread_.Cell(), 0), 0);
  EXPECT_EQ(Thread::SetAffinity(thread_.Cell(), 1), 0);
  EXPECT_EQ(Thread::StartAddress(thread_.Cell(), 0), 0);
}

TEST_F(ThreadTest, TerminateEndsAThreadBlockedInAWaitWithExitCodeZero) {
  intptr_t handle = 0;
  ASSERT_EQ(StartBlocked({.outHandle = &handle}), 1);
  const int32_t result = Thread::Terminate(thread_.Cell());
  EXPECT_EQ(Thread::Wait(thread_.Cell()), 1);
  EXPECT_EQ(Thread::IsRunning(thread_.Cell()), 0);
  uint32_t code = 99;
  ASSERT_TRUE(platform::GetExitCodeThread(handle, &code)) << "Terminate never closes the handle";
  EXPECT_EQ(code, 0u);
  // 1 when the thread had already ended at the second look; then the handle was forgotten.
  EXPECT_EQ(Thread::Handle(thread_.Cell()), result == 1 ? 0 : handle);
  platform::CloseHandle(handle);
}

TEST_F(ThreadTest, SuspendResumePriorityAndAffinityActOnTheRunningThread) {
  ASSERT_EQ(StartBlocked(), 1);
  testing_support::AwaitSleeping(platform::GetThreadId(Thread::Handle(thread_.Cell())));
  EXPECT_EQ(Thread::Suspend(thread_.Cell()), 1);
  platform::SetEvent(release_);
  EXPECT_EQ(Thread::Wait(thread_.Cell(), 30), 0) << "parked";
  EXPECT_EQ(Thread::SetPriority(thread_.Cell(), -1), 1);
  EXPECT_EQ(Thread::GetPriority(thread_.Cell()), -1);
  EXPECT_EQ(Thread::SetPriority(thread_.Cell(), 5), 0) << "not a level";
  cpu_set_t allowed;
  ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
  int first = 0;
  while (!CPU_ISSET(first, &allowed)) ++first;
  if (first < 32) {
    EXPECT_EQ(Thread::SetAffinity(thread_.Cell(), 1 << first), 1);
  }
  EXPECT_EQ(Thread::Resume(thread_.Cell()), 1);
  EXPECT_EQ(Thread::Wait(thread_.Cell()), 1);
  EXPECT_EQ(Thread::ExitCode(thread_.Cell()), 7);
  EXPECT_EQ(Thread::GetPriority(thread_.Cell()), 0) << "ended";
  EXPECT_EQ(Thread::Handle(thread_.Cell()), 0) << "forgotten by the probe";
}

TEST_F(ThreadTest, AFailedCreationLeavesNothingHeld) {
  platform::SetThreadCreationFilter([](const platform::ThreadCreationRequest&) { return false; });
  intptr_t handle = 5;
  EXPECT_EQ(Thread::Start(thread_.Cell(), ReturnNine, {.outHandle = &handle}), 0);
  platform::SetThreadCreationFilter(nullptr);
  EXPECT_EQ(handle, 0);
  EXPECT_EQ(Thread::Handle(thread_.Cell()), 0);
}

TEST_F(ThreadTest, ConcurrentStartsCreateOneThread) {
  // Both starts create their thread while the new threads are held, so neither has ended when
  // the other start looks.
  platform::NewThreadHold hold;
  std::atomic<int> started{0};
  std::vector<std::thread> starters;
  for (int i = 0; i < 2; ++i) {
    starters.emplace_back([&] { started += Thread::Start(thread_.Cell(), ReturnNine); });
  }
  for (auto& starter : starters) starter.join();
  EXPECT_EQ(started, 1);
  hold.Release();
}

TEST_F(ThreadTest, DetachSetHandleAndCopyShareOrCloseTheHandle) {
  intptr_t handle = 0;
  ASSERT_EQ(StartBlocked({.outHandle = &handle}), 1);
  Instance<Thread> copy(Thread::Copy(thread_.Cell()));
  EXPECT_EQ(Thread::Handle(copy.Cell()), handle);
  EXPECT_EQ(Thread::Detach(thread_.Cell()), 1);
  EXPECT_FALSE(HandleIsOpen(handle));
  EXPECT_EQ(Thread::Handle(thread_.Cell()), 0);
  EXPECT_EQ(Thread::Detach(copy.Cell()), 0) << "the copy's close of the same handle fails";

  const Handle event = platform::CreateEvent(true, false);
  Thread::SetHandle(thread_.Cell(), event);
  EXPECT_EQ(Thread::Handle(thread_.Cell()), event);
  Thread::SetHandle(thread_.Cell(), 0);
  EXPECT_FALSE(HandleIsOpen(event)) << "closed by the next SetHandle";
}

}  // namespace
