// The races between the pool's threads and its callers, each brought about with the kernel
// layer's fault injection: a new thread held before its routine, a creation that fails or that
// blocks inside CreateThread, a thread held in front of a kernel call.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/kernel/interlocked.h"
#include "platform/message_queue.h"
#include "tests/thread_state.h"
#include "threadkit/method_stub.h"
#include "threadkit/tests/thread_pool_fixture.h"
#include "threadkit/thread_pool.h"

namespace {

using namespace pool_testing;
using platform::Handle;

// A one-shot signal between two test threads.
class Signal {
 public:
  void Notify() {
    std::lock_guard lock(mutex_);
    set_ = true;
    changed_.notify_all();
  }
  void Await() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return set_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

using ThreadPoolRaceTest = PoolTest;

// Every worker creation fails while the manager, made first, is held before its routine. Creation's
// own waits take the wake-up meant for the manager; the handles may be released only once the
// manager has ended.
TEST_F(ThreadPoolRaceTest, AFailedCreationReleasesTheHandlesOnlyAfterTheManagerHasEnded) {
  platform::SetThreadCreationFilter(
      [](const platform::ThreadCreationRequest& request) { return request.stackSize == 8192; });
  auto hold = std::make_unique<platform::NewThreadHold>();
  std::atomic<Handle> managerCopy{0};
  std::atomic<int32_t> result{-1};
  std::atomic<uint32_t> managerWhenCreateReturned{0};
  std::thread creator([&] {
    result = ThreadPool::Create(Cell(), {.initialThreads = 3});
    const Handle copy = managerCopy.load();
    managerWhenCreateReturned =
        copy == 0 ? platform::WAIT_FAILED : platform::WaitForSingleObject(copy, 0);
  });
  hold->WaitUntilHeld(1);
  // The manager exists and has not begun; its handle and the pool's must still be open.
  EXPECT_TRUE(Eventually([&] { return platform::LoadRelaxed(Pool()->managerThread) != 0; }));
  const Handle manager = platform::LoadRelaxed(Pool()->managerThread);
  const Handle port = platform::LoadRelaxed(Pool()->port);
  auto managerObject = platform::HandleTable::Process().Find(manager);
  EXPECT_NE(managerObject, nullptr) << "released while the manager is held";
  EXPECT_TRUE(IsOpen(port));
  if (managerObject) managerCopy = platform::HandleTable::Process().Insert(managerObject);
  hold.reset();
  creator.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(managerWhenCreateReturned, platform::WAIT_OBJECT_0) << "the manager had ended";
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateNone);
  EXPECT_FALSE(IsOpen(manager));
  EXPECT_FALSE(IsOpen(port));
  platform::CloseHandle(managerCopy);
}

// Two workers that the manager has created are held before they count themselves when the pool is
// destroyed: exit packets are posted for them too, and the instance cannot be created again until
// they have left.
TEST_F(ThreadPoolRaceTest, WorkersNotYetCountedGetExitPacketsAndKeepTheOldPoolFromBeingReused) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1, .maxThreads = 5}), 1);
  PostBlocking(1);
  auto hold = std::make_unique<platform::NewThreadHold>();
  ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, 2), 1);
  // The manager adds a worker per round while the held ones do not count: two rounds.
  hold->WaitUntilHeld(2);
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 1);
  const int32_t starting = platform::LoadRelaxed(Pool()->starting);
  EXPECT_GE(starting, 2);

  CountExitPackets();
  ASSERT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kRunQueuedNoWait), 1);
  EXPECT_EQ(ExitPackets(), 1 + 1 + starting);
  platform::SetKernelCallObserver(nullptr);

  platform::SetEvent(release);
  ASSERT_TRUE(Eventually([&] { return ThreadPool::LiveCount(Cell()) == 0; }))
      << "the counted worker ran both tasks and left";
  EXPECT_EQ(runs[2], 1);
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateDestroying)
      << "not released while held workers may still start";
  EXPECT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 0);
  EXPECT_TRUE(IsOpen(Pool()->port));

  hold.reset();
  ASSERT_TRUE(Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateNone; }))
      << "the held workers took their exit packets";
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 2}), 1);
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 2);
  ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, 3), 1);
  ASSERT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kRunQueuedAndWait), 1);
  EXPECT_EQ(runs[3], 1);
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 0);
}

// The manager is stuck inside CreateThread (the creation filter blocks) when Destroy gives up
// waiting for it and closes its handle: the pool's handles stay open, and the pool destroying,
// until the manager has left.
TEST_F(ThreadPoolRaceTest, AManagerOutlivingDestroysWaitTouchesNoReleasedHandle) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1, .maxThreads = 2}), 1);
  Signal inFilter;
  Signal letGo;
  platform::SetThreadCreationFilter([&](const platform::ThreadCreationRequest&) {
    inFilter.Notify();
    letGo.Await();
    return false;
  });
  PostBlocking(1);
  ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, 2), 1);
  inFilter.Await();
  const Handle manager = Pool()->managerThread;
  const std::vector<Handle> shared = {Pool()->port, Pool()->growEvent, Pool()->startedEvent,
                                      Pool()->taskDoneEvent, Pool()->runGate};
  platform::SetEvent(release);
  ASSERT_TRUE(Eventually([&] { return runs[2].load() == 1; }));

  // About 21 × 20 ms for the manager, then the limit.
  EXPECT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedAndWait, 600), 0);
  EXPECT_FALSE(IsOpen(manager)) << "closed whether or not the manager has ended";
  EXPECT_TRUE(Eventually([&] { return ThreadPool::LiveCount(Cell()) == 0; }))
      << "the worker takes its exit packet and leaves";
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateDestroying);
  for (Handle h : shared) EXPECT_TRUE(IsOpen(h)) << "the manager still uses them";
  EXPECT_EQ(ThreadPool::Create(Cell()), 0);

  letGo.Notify();
  ASSERT_TRUE(Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateNone; }));
  for (Handle h : shared) EXPECT_FALSE(IsOpen(h));
  platform::SetThreadCreationFilter(nullptr);
}

// The stubs enter WorkerMain with the thread's parameter as the kind, and ManagerMain.
TEST_F(ThreadPoolRaceTest, TheStubsReachTheirOperationsWithTheWorkerKind) {
  const auto instance = reinterpret_cast<intptr_t>(Pool());
  EXPECT_EQ(TableEntry(instance, 3), reinterpret_cast<intptr_t>(&ThreadPool::WorkerMain));
  EXPECT_EQ(TableEntry(instance, 4), reinterpret_cast<intptr_t>(&ThreadPool::ManagerMain));
  for (auto [stub, operation] : {std::pair{Pool()->workerStub, TableEntry(instance, 3)},
                                 std::pair{Pool()->managerStub, TableEntry(instance, 4)}}) {
    ASSERT_NE(stub, 0);
    EXPECT_EQ(ReadDword(stub + 37), instance) << "the embedded instance";
    EXPECT_EQ(ReadDword(stub + 67), operation) << "the embedded operation";
  }

  // Kind 0 from Create waits without limit; kind 1 from the manager leaves when idle.
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1, .maxThreads = 2, .idleTimeout = 100}),
            1);
  PostBlocking(1);
  PostBlocking(2);
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 2);
  platform::SetEvent(release);
  ASSERT_TRUE(Eventually([&] { return ThreadPool::LiveCount(Cell()) == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 1);
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateRunning);
}

// A Pause that passed its state test is held in front of ResetEvent until the destruction has
// opened the gate and is about to post its exit packets: the gate must not stay closed behind it.
TEST_F(ThreadPoolRaceTest, APauseRacingDestroyDoesNotCloseTheGateBehindIt) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 2, .maxThreads = 2}), 1);
  const Handle gate = Pool()->runGate;
  std::atomic<pid_t> pauser{0};
  std::atomic<pid_t> destroyer{0};
  Signal pauseHeld, resetMay, destroyAtExitPackets, destroyMay;
  platform::SetKernelCallObserver([&](const platform::KernelCall& call) {
    const pid_t self = platform::CurrentThreadId();
    if (self == pauser && call.kind == platform::KernelCallKind::kResetEvent &&
        call.handle == gate) {
      pauseHeld.Notify();
      resetMay.Await();
    } else if (self == destroyer &&
               call.kind == platform::KernelCallKind::kPostQueuedCompletionStatus &&
               call.overlapped == ThreadPool::kExitMarker) {
      destroyAtExitPackets.Notify();
      destroyMay.Await();
    }
  });
  std::atomic<int32_t> paused{-1};
  std::thread pauseThread([&] {
    pauser = platform::CurrentThreadId();
    paused = ThreadPool::Pause(Cell());
  });
  pauseHeld.Await();
  std::atomic<int32_t> destroyed{-1};
  std::thread destroyThread([&] {
    destroyer = platform::CurrentThreadId();
    destroyed = ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedAndWait, 5000);
  });
  destroyAtExitPackets.Await();  // the gate has been opened
  resetMay.Notify();
  pauseThread.join();
  EXPECT_EQ(paused, 1);
  destroyer = 0;
  destroyMay.Notify();
  destroyThread.join();
  EXPECT_EQ(destroyed, 1) << "workers holding exit packets passed the gate";
  EXPECT_EQ(ThreadPool::State(Cell()), ThreadPool::kStateNone);
}

// A Post that passed its state test is held in front of PostQueuedCompletionStatus while the pool
// is destroyed and created again: its task runs in the pool whose port took it or is dropped, and
// the counts stay balanced.
TEST_F(ThreadPoolRaceTest, APostRacingDestroyAndCreateStaysInThePoolItTested) {
  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1);
  std::atomic<pid_t> poster{0};
  Signal postHeld, postMay;
  platform::SetKernelCallObserver([&](const platform::KernelCall& call) {
    if (platform::CurrentThreadId() == poster &&
        call.kind == platform::KernelCallKind::kPostQueuedCompletionStatus) {
      postHeld.Notify();
      postMay.Await();
    }
  });
  std::atomic<int32_t> posted{-1};
  std::thread postThread([&] {
    poster = platform::CurrentThreadId();
    posted = ThreadPool::Post(Cell(), CountingTask, 1);
  });
  postHeld.Await();
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 1);

  EXPECT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kDropQueuedAndWait, 50), 0)
      << "not released under a post in progress";
  EXPECT_EQ(ThreadPool::LiveCount(Cell()), 0);
  EXPECT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 0);
  postMay.Notify();
  postThread.join();
  EXPECT_EQ(posted, 1) << "the old port, still open, took it";
  ASSERT_TRUE(Eventually([&] { return ThreadPool::State(Cell()) == ThreadPool::kStateNone; }));
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 0) << "dropped behind the exit packets";

  ASSERT_EQ(ThreadPool::Create(Cell(), {.initialThreads = 1}), 1);
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 0);
  ASSERT_EQ(ThreadPool::Post(Cell(), CountingTask, 2), 1);
  ASSERT_EQ(ThreadPool::Destroy(Cell(), ThreadPool::kRunQueuedAndWait), 1);
  EXPECT_EQ(runs[1], 0) << "never run in the new pool";
  EXPECT_EQ(runs[2], 1);
  EXPECT_EQ(ThreadPool::QueuedCount(Cell()), 0);
}

// Term right after the manager has made a worker that is held before its routine: the stubs are
// freed only once that worker has entered its stub. Freed too early, the worker would run unmapped
// memory when the hold lets it go.
TEST(ThreadPoolTermRace, TermFreesTheStubsOnlyOnceNoThreadCanStillEnterThem) {
  release = platform::CreateEvent(true, false);
  entered = 0;
  auto pool = std::make_unique<Instance<ThreadPool>>();
  ASSERT_EQ(ThreadPool::Create(pool->Cell(), {.initialThreads = 1, .maxThreads = 2}), 1);
  const Handle port = pool->Get()->port;
  const Handle manager = pool->Get()->managerThread;
  ASSERT_NE(ThreadPool::Post(pool->Cell(), BlockingTask, 1), 0);
  ASSERT_TRUE(Eventually([] { return entered.load() == 1; }));
  auto hold = std::make_unique<platform::NewThreadHold>();
  ASSERT_NE(ThreadPool::Post(pool->Cell(), CountingTask, 2), 0);
  hold->WaitUntilHeld(1);

  const pid_t self = platform::CurrentThreadId();
  std::thread releaser([&] {
    // Once Destroy has dealt with the manager, a sleep of the test's thread is Term's wait (or,
    // had Term returned, the join below).
    while (IsOpen(manager)) std::this_thread::yield();
    testing_support::AwaitSleeping(self);
    hold->Release();
  });
  pool.reset();  // Term, then the holder's delete
  releaser.join();
  hold.reset();
  platform::SetEvent(release);
  EXPECT_TRUE(Eventually([&] { return !IsOpen(port); })) << "the pool ends by itself";
  platform::CloseHandle(release);
}

}  // namespace
