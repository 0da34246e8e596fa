#include "platform/kernel/kernel_thread.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/event.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/tests/run_on_thread.h"
#include "platform/kernel/thread_faults.h"
#include "platform/kernel/wait.h"
#include "tests/thread_state.h"

extern char** environ;

namespace platform {
namespace {

using testing::StartThread;
using testing::ThreadBody;

uint32_t ExitCodeOf(Handle thread) {
  uint32_t code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  return code;
}

class KernelThread : public ::testing::Test {
 protected:
  void SetUp() override { release_ = CreateEvent(true, false); }
  void TearDown() override {
    SetEvent(release_);
    CloseHandle(release_);
  }
  // A body that blocks in a kernel-layer wait until the test releases it, then ends with 7.
  ThreadBody BlockedUntilReleased() {
    return [this] {
      WaitForSingleObject(release_, INFINITE);
      return 7u;
    };
  }
  Handle release_ = 0;
};

TEST_F(KernelThread, HandleIsSignalledAtTheEndAndKeepsTheExitCode) {
  ThreadBody body = BlockedUntilReleased();
  const Handle thread = StartThread(body);
  ASSERT_NE(thread, 0);
  EXPECT_EQ(ExitCodeOf(thread), STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(thread, 10), WAIT_TIMEOUT);
  SetEvent(release_);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "stays signalled";
  EXPECT_EQ(ExitCodeOf(thread), 7u);
  EXPECT_EQ(SuspendThread(thread), -1);
  EXPECT_FALSE(TerminateThread(thread, 0));
  EXPECT_TRUE(CloseHandle(thread));
  uint32_t code = 0;
  EXPECT_FALSE(GetExitCodeThread(thread, &code));
}

TEST_F(KernelThread, ClosingTheHandleLeavesTheThreadRunning) {
  const Handle done = CreateEvent(true, false);
  ThreadBody body = [&] {
    WaitForSingleObject(release_, INFINITE);
    SetEvent(done);
    return 0u;
  };
  ASSERT_TRUE(CloseHandle(StartThread(body)));
  SetEvent(release_);
  EXPECT_EQ(WaitForSingleObject(done, INFINITE), WAIT_OBJECT_0);
  CloseHandle(done);
}

TEST_F(KernelThread, CreatedSuspendedRunsOnlyWhenItsCountReachesZero) {
  std::atomic<bool> ran{false};
  ThreadBody body = [&] {
    ran = true;
    return 0u;
  };
  const Handle thread = StartThread(body, CREATE_SUSPENDED);
  EXPECT_EQ(SuspendThread(thread), 1);
  EXPECT_EQ(ResumeThread(thread), 2);
  EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
  EXPECT_FALSE(ran);
  EXPECT_EQ(ResumeThread(thread), 1);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(ran);
  CloseHandle(thread);
}

TEST_F(KernelThread, SuspendParksARunningThreadUntilResumed) {
  ThreadBody body = BlockedUntilReleased();
  const Handle thread = StartThread(body);
  EXPECT_EQ(ResumeThread(thread), 0) << "not suspended";
  testing_support::AwaitSleeping(GetThreadId(thread));  // in its wait
  EXPECT_EQ(SuspendThread(thread), 0);
  SetEvent(release_);
  // Parked by the signal, it cannot return from its wait and end.
  EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
  EXPECT_EQ(ResumeThread(thread), 1);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(ExitCodeOf(thread), 7u);
  CloseHandle(thread);
}

TEST_F(KernelThread, TerminateEndsAThreadBlockedInAWaitWithTheGivenCode) {
  ThreadBody body = BlockedUntilReleased();
  const Handle thread = StartThread(body);
  ASSERT_TRUE(TerminateThread(thread, 0));
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(ExitCodeOf(thread), 0u);
  // The wait it was cancelled in has left the event's queue.
  SetEvent(release_);
  CloseHandle(thread);
}

TEST_F(KernelThread, TerminateEndsAThreadCreatedSuspendedBeforeItsRoutine) {
  std::atomic<bool> ran{false};
  ThreadBody body = [&] {
    ran = true;
    return 1u;
  };
  const Handle thread = StartThread(body, CREATE_SUSPENDED);
  ASSERT_TRUE(TerminateThread(thread, 3));
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(ExitCodeOf(thread), 3u);
  EXPECT_FALSE(ran);
  CloseHandle(thread);
}

TEST_F(KernelThread, PriorityAndAffinity) {
  ThreadBody body = BlockedUntilReleased();
  const Handle thread = StartThread(body);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
  ASSERT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL));
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_BELOW_NORMAL);
  ASSERT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_IDLE));
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_IDLE);
  EXPECT_FALSE(SetThreadPriority(thread, 3)) << "not a priority level";

  cpu_set_t allowed;
  ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
  int first = 0;
  while (!CPU_ISSET(first, &allowed)) ++first;
  const uintptr_t one = uintptr_t{1} << first;
  const uintptr_t before = SetThreadAffinityMask(thread, one);
  EXPECT_NE(before & one, 0u);
  EXPECT_EQ(SetThreadAffinityMask(thread, before), one);
  EXPECT_EQ(SetThreadAffinityMask(thread, 0), 0u) << "no processor";

  SetEvent(release_);
  WaitForSingleObject(thread, INFINITE);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_ERROR_RETURN) << "ended";
  CloseHandle(thread);
  EXPECT_FALSE(SetThreadPriority(thread, 0));
}

// Whether this process may give a thread a lower nice value than the process's own: probed on a
// thread of its own, which starts at the process's niceness.
bool MayGoBelowTheProcessNice() {
  bool allowed = false;
  std::thread([&] {
    const int nice = getpriority(PRIO_PROCESS, 0);
    allowed = nice == -20 || setpriority(PRIO_PROCESS, 0, nice - 1) == 0;
  }).join();
  return allowed;
}

TEST_F(KernelThread, RaisingAThreadAboveTheProcessNeedsTheRightToLowerNiceValues) {
  const bool allowed = MayGoBelowTheProcessNice();
  ThreadBody body = BlockedUntilReleased();
  const Handle thread = StartThread(body);
  EXPECT_EQ(SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL), allowed);
  EXPECT_EQ(GetThreadPriority(thread),
            allowed ? THREAD_PRIORITY_ABOVE_NORMAL : THREAD_PRIORITY_NORMAL)
      << "a refused change leaves the level";
  SetEvent(release_);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

// The levels count from the process's niceness: the priority tests pass alike in a copy of this
// program started niced, and in one at the lowest priority, where the lower levels share one
// nice value. The copy inherits this process's nice value and adds its own step to it.
TEST(KernelThreadNiced, PriorityLevelsCountFromTheProcessNiceness) {
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  for (const char* step : {"10", "19"}) {
    std::string arguments[] = {"nice", "-n", step, self,
                               "--gtest_filter=KernelThread.Priority*:KernelThread.Raising*"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    ASSERT_EQ(posix_spawnp(&child, "nice", nullptr, nullptr, argv.data(), environ), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "niced by " << step;
  }
}

TEST_F(KernelThread, StackIsNeverSmallerThanTheDefault) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_getattr_default_np(&attr), 0);
  size_t defaultSize = 0;
  pthread_attr_getstacksize(&attr, &defaultSize);
  pthread_attr_destroy(&attr);

  size_t seen = 0;
  ThreadBody body = [&] {
    pthread_attr_t own;
    pthread_getattr_np(pthread_self(), &own);
    pthread_attr_getstacksize(&own, &seen);
    pthread_attr_destroy(&own);
    return 0u;
  };
  for (size_t asked : {size_t{8192}, defaultSize * 2}) {
    const Handle thread = StartThread(body, 0, asked);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_GE(seen, std::max(asked, defaultSize)) << asked;
  }
}

TEST(ThreadFaults, AFilterFailsCreationsAndSeesWhatWasAsked) {
  std::vector<ThreadCreationRequest> asked;
  SetThreadCreationFilter([&](const ThreadCreationRequest& request) {
    asked.push_back(request);
    return false;
  });
  ThreadBody body = [] { return 0u; };
  EXPECT_EQ(testing::StartThread(body, CREATE_SUSPENDED, 12288), 0);
  SetThreadCreationFilter(nullptr);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].stackSize, 12288u);
  EXPECT_EQ(asked[0].flags, CREATE_SUSPENDED);
  const Handle thread = testing::StartThread(body);
  EXPECT_NE(thread, 0);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

TEST(ThreadFaults, AHoldStopsNewThreadsBeforeTheirRoutine) {
  std::atomic<int> ran{0};
  ThreadBody body = [&] {
    ++ran;
    return 0u;
  };
  NewThreadHold hold;
  const Handle first = testing::StartThread(body);
  const Handle second = testing::StartThread(body);
  hold.WaitUntilHeld(2);
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(ExitCodeOf(first), STILL_ACTIVE);
  hold.Release();
  EXPECT_EQ(WaitForSingleObject(first, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(second, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(ran, 2);
  CloseHandle(first);
  CloseHandle(second);
}

}  // namespace
}  // namespace platform
