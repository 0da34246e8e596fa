#include "threadkit/thread_pool.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/kernel/completion_port.h"
#include "platform/kernel/event.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/interlocked.h"
#include "platform/kernel/kernel_thread.h"
#include "platform/kernel/wait.h"
#include "platform/tick_count.h"
#include "threadkit/add_offset.h"
#include "threadkit/do_events.h"
#include "threadkit/stack_size.h"

using platform::Handle;
using platform::INFINITE;
using platform::InterlockedCompareExchange;
using platform::InterlockedDecrement;
using platform::InterlockedExchange;
using platform::InterlockedIncrement;
using platform::LoadRelaxed;
using platform::StoreRelaxed;
using platform::WAIT_FAILED;
using platform::WAIT_OBJECT_0;
using platform::WAIT_TIMEOUT;

namespace {

// The manager does little: it asks for the smallest stack the thread kit gives.
constexpr size_t kManagerStackSize = kSmallestStackSize;

// The step of every wait that goes on in steps: between two, the waiter processes messages when
// asked to, or looks again at what the wait itself cannot see.
constexpr uint32_t kWaitStepMs = 20;

// Thread creations failed in a row after which the pool stops asking for more: a creation goes
// on with the permanent workers it has, the manager lowers the maximum to the workers live.
constexpr int32_t kFailuresInARow = 5;

// A sequentially consistent read. The plain reads of the state are relaxed; the second look
// that each race-prone operation takes after announcing itself (a reservation, a call) must be
// ordered with the destruction's claim, so that of the two one always sees the other.
int32_t ReadOrdered(int32_t& field) { return InterlockedCompareExchange(field, 0, 0); }

void Pump(int32_t pumpMessages) {
  if (pumpMessages == 1) DoEvents();
}

uint32_t Elapsed(uint32_t t0) { return platform::GetTickCount() - t0; }

uint32_t Wait(Handle object, uint32_t timeoutMs) {
  return platform::WaitForSingleObject(object, timeoutMs);
}

// Whether the manager should add a worker: more tasks waiting or running than there are
// workers, and room for one more.
bool GrowthTestHolds(ThreadPool* pool) {
  const int32_t live = LoadRelaxed(pool->live);
  return live < LoadRelaxed(pool->maxThreads) &&
         AddOffset(LoadRelaxed(pool->busy), LoadRelaxed(pool->queued)) > live;
}

platform::ThreadStartRoutine AsThreadRoutine(MethodStub stub) {
  return reinterpret_cast<platform::ThreadStartRoutine>(stub);
}

// How long a creation or the manager waits for that many new workers to count themselves
// before it goes on without them.
uint32_t StartLimit(int32_t count) {
  return static_cast<uint32_t>(static_cast<double>(count) * 10.0 + 1000.0);
}

void CloseIfOpen(Handle handle) {
  if (handle != 0) platform::CloseHandle(handle);
}

// The last user of a creation puts the instance back into its initial state: the handles are
// taken with exchanges so that each is closed once, and the state goes to kStateNone last, so that
// a new creation finds everything reset.
void Release(ThreadPool* pool) {
  for (Handle* field : {&pool->port, &pool->taskDoneEvent, &pool->runGate, &pool->startedEvent}) {
    CloseIfOpen(InterlockedExchange(*field, 0));
  }
  if (const Handle grow = InterlockedExchange(pool->growEvent, 0); grow != 0) {
    // Ends the current step of a Destroy that waits for the workers.
    platform::SetEvent(grow);
    platform::CloseHandle(grow);
  }
  StoreRelaxed(pool->running, 0);
  StoreRelaxed(pool->live, 0);
  StoreRelaxed(pool->busy, 0);
  StoreRelaxed(pool->queued, 0);
  InterlockedExchange(pool->state, ThreadPool::kStateNone);
}

void TryRelease(ThreadPool* pool) {
  if (InterlockedCompareExchange(pool->releasePending, 0, 1) == 1) Release(pool);
}

// Called by whoever brings `members` to 0: releases the pool now, or leaves it to the last call
// still in progress.
void BeginRelease(ThreadPool* pool) {
  InterlockedExchange(pool->releasePending, 1);
  if (ReadOrdered(pool->callers) == 0) TryRelease(pool);
}

void DropMember(ThreadPool* pool) {
  if (InterlockedDecrement(pool->members) == 0) BeginRelease(pool);
}

void DropReference(ThreadPool* pool) {
  if (InterlockedDecrement(pool->references) == 0) {
    pool->~ThreadPool();
    ::operator delete(pool);
  }
}

// A release left to the calls in progress is made by the last of them.
void LeaveCall(ThreadPool* pool) {
  if (InterlockedDecrement(pool->callers) == 0 && ReadOrdered(pool->releasePending) == 1) {
    TryRelease(pool);
  }
}

// A call that acts on a running pool announces itself, then looks at the state again: a
// destruction that claimed the pool before the announcement is seen and the call gives up; one
// that claims it after cannot have the pool released before the call has left.
bool EnterCall(ThreadPool* pool) {
  InterlockedIncrement(pool->callers);
  if (ReadOrdered(pool->state) == ThreadPool::kStateRunning) return true;
  LeaveCall(pool);
  return false;
}

// Counts a worker before its thread is made, so that it is covered by the exit packets, keeps
// the pool from being released and the instance from being freed, and is waited for by Term.
void ReserveWorker(ThreadPool* pool) {
  InterlockedIncrement(pool->members);
  InterlockedIncrement(pool->references);
  InterlockedIncrement(pool->starting);
}

void CancelWorker(ThreadPool* pool) {
  InterlockedDecrement(pool->starting);
  InterlockedDecrement(pool->references);
  DropMember(pool);
}

// The manager's reservation, made while the pool may be being destroyed: kept only when the
// pool still runs after it was made.
bool ReserveWorkerWhileRunning(ThreadPool* pool) {
  ReserveWorker(pool);
  if (ReadOrdered(pool->state) == ThreadPool::kStateRunning) return true;
  CancelWorker(pool);
  return false;
}

// The steps of Create. Each that can fail leaves what it made in the instance's fields, where
// the release finds it.

// Stores the settings that the pool keeps; the number of permanent workers to start, which only
// the creation uses.
int32_t SettleCreateOptions(ThreadPool* pool, const ThreadPoolCreateOptions& options) {
  const int32_t initialThreads = std::max(options.initialThreads.value_or(5), 1);
  StoreRelaxed(pool->maxThreads, std::max(options.maxThreads.value_or(20), initialThreads));
  StoreRelaxed(pool->idleTimeout, std::max(options.idleTimeout.value_or(10000), 100));
  StoreRelaxed(pool->stackSize, SettledStackSize(options.stackSize.value_or(0), 4096));
  return initialThreads;
}

bool OpenPortAndEvents(ThreadPool* pool) {
  // Without its stubs (no executable memory at construction) the pool cannot start a thread.
  if (pool->workerStub == 0 || pool->managerStub == 0) return false;
  const Handle port = platform::CreateIoCompletionPort(platform::INVALID_HANDLE_VALUE, 0, 0, 0);
  if (port == 0) return false;
  StoreRelaxed(pool->port, port);
  for (Handle ThreadPool::*event : {&ThreadPool::growEvent, &ThreadPool::startedEvent,
                                    &ThreadPool::taskDoneEvent, &ThreadPool::runGate}) {
    const bool gate = event == &ThreadPool::runGate;
    const Handle made = platform::CreateEvent(gate, gate);
    if (made == 0) return false;
    StoreRelaxed(pool->*event, made);
  }
  return true;
}

bool StartManager(ThreadPool* pool) {
  // The manager counts as a member and holds a reference from before it exists.
  InterlockedIncrement(pool->members);
  InterlockedIncrement(pool->references);
  InterlockedExchange(pool->managerStarting, 1);
  const Handle manager =
      platform::CreateThread(kManagerStackSize, AsThreadRoutine(pool->managerStub), 0, 0, nullptr);
  if (manager == 0) {
    InterlockedExchange(pool->managerStarting, 0);
    InterlockedDecrement(pool->references);
    DropMember(pool);
    return false;
  }
  StoreRelaxed(pool->managerThread, manager);
  return true;
}

// Makes up to initialThreads permanent workers, and gives up after kFailuresInARow failures in
// a row; the number made.
int32_t MakePermanentWorkers(ThreadPool* pool, int32_t initialThreads, int32_t pump) {
  const auto stackSize = static_cast<size_t>(LoadRelaxed(pool->stackSize));
  int32_t made = 0;
  int32_t fails = 0;
  for (int32_t i = 1; i <= initialThreads; ++i) {
    ReserveWorker(pool);
    const Handle worker =
        platform::CreateThread(stackSize, AsThreadRoutine(pool->workerStub), 0, 0, nullptr);
    if (worker != 0) {
      platform::CloseHandle(worker);
      ++made;
      fails = 0;
    } else {
      CancelWorker(pool);
      if (++fails == kFailuresInARow) break;
    }
    Pump(pump);
  }
  return made;
}

// True once a worker is live. The wait for the ones made ends only after one has counted itself,
// so false means that no worker was made at all.
bool StartPermanentWorkers(ThreadPool* pool, int32_t initialThreads, int32_t pump) {
  // Plain stores: no worker exists yet.
  StoreRelaxed(pool->running, 1);
  StoreRelaxed(pool->live, 0);
  StoreRelaxed(pool->busy, 0);
  StoreRelaxed(pool->queued, 0);
  const int32_t made = MakePermanentWorkers(pool, initialThreads, pump);
  if (made > 0) {
    const uint32_t t0 = platform::GetTickCount();
    const uint32_t limit = StartLimit(made);
    for (;;) {
      const uint32_t r = Wait(LoadRelaxed(pool->startedEvent), kWaitStepMs);
      if (r != WAIT_TIMEOUT && (LoadRelaxed(pool->live) >= made || Elapsed(t0) >= limit)) break;
      Pump(pump);
    }
  }
  return LoadRelaxed(pool->live) != 0;
}

// On a failed creation the manager, if one was made, must have ended before anything is
// released: it finds the state not running once woken.
void StopManager(ThreadPool* pool, int32_t pump) {
  const Handle managerThread = LoadRelaxed(pool->managerThread);
  if (managerThread == 0) return;
  const Handle growEvent = LoadRelaxed(pool->growEvent);
  platform::SetEvent(growEvent);
  for (int32_t step = 1; step <= 11; ++step) {
    Pump(pump);
    if (Wait(growEvent, kWaitStepMs) != WAIT_TIMEOUT) break;
  }
  // The waits above may have taken the signal meant for the manager, and a manager that has not
  // yet begun to wait would miss it: it is woken again before every step until it has ended.
  for (;;) {
    platform::SetEvent(growEvent);
    if (Wait(managerThread, kWaitStepMs) != WAIT_TIMEOUT) break;
    Pump(pump);
  }
  platform::CloseHandle(InterlockedExchange(pool->managerThread, 0));
}

}  // namespace

const ThreadPool::Operations ThreadPool::kOperations = {
    &ThreadPool::Destruct,     &ThreadPool::Copy,          &ThreadPool::WorkerMain,
    &ThreadPool::ManagerMain,  &ThreadPool::Create,        &ThreadPool::Destroy,
    &ThreadPool::Pause,        &ThreadPool::Resume,        &ThreadPool::WaitRunGate,
    &ThreadPool::Post,         &ThreadPool::PostAddress,   &ThreadPool::WaitTaskDone,
    &ThreadPool::IdleCount,    &ThreadPool::BusyCount,     &ThreadPool::QueuedCount,
    &ThreadPool::LiveCount,    &ThreadPool::MaxThreads,    &ThreadPool::IsIdle,
    &ThreadPool::State,        &ThreadPool::SetMaxThreads, &ThreadPool::SetIdleTimeout,
    &ThreadPool::SetStackSize,
};

ThreadPool* ThreadPool::New() {
  auto* pool = new ThreadPool{};
  pool->operations = &kOperations;
  pool->references = 1;
  Init(&pool);
  return pool;
}

void ThreadPool::Init(Cell self) {
  (*self)->workerStub = MakeMethodStub(self, 1);
  (*self)->managerStub = MakeMethodStub(self, 2);
}

void ThreadPool::Term(Cell self) {
  ThreadPool* pool = *self;
  pool->operations->destroy(self, kDropQueuedNoWait, 0, 0);
  // A thread made just now may not have entered its stub yet; no new one is made once the pool
  // no longer runs.
  while (ReadOrdered(pool->starting) != 0 || ReadOrdered(pool->managerStarting) != 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  FreeExecutable(pool->workerStub);
  FreeExecutable(pool->managerStub);
}

void ThreadPool::Destruct(Cell self) { Term(self); }

ThreadPool* ThreadPool::Copy(Cell self) {
  ThreadPool* source = *self;
  auto* copy = new ThreadPool{};
  copy->operations = source->operations;
  copy->workerStub = source->workerStub;
  copy->managerStub = source->managerStub;
  for (auto field : {&ThreadPool::state, &ThreadPool::running, &ThreadPool::live, &ThreadPool::busy,
                     &ThreadPool::queued, &ThreadPool::maxThreads, &ThreadPool::idleTimeout,
                     &ThreadPool::stackSize, &ThreadPool::starting, &ThreadPool::managerStarting,
                     &ThreadPool::members, &ThreadPool::callers, &ThreadPool::releasePending}) {
    copy->*field = LoadRelaxed(source->*field);
  }
  for (auto field :
       {&ThreadPool::port, &ThreadPool::growEvent, &ThreadPool::startedEvent,
        &ThreadPool::taskDoneEvent, &ThreadPool::runGate, &ThreadPool::managerThread}) {
    copy->*field = LoadRelaxed(source->*field);
  }
  // No thread works on the copy: only its holder's reference counts.
  copy->references = 1;
  return copy;
}

void ThreadPool::operator delete(ThreadPool* pool, std::destroying_delete_t) {
  DropReference(pool);
}

int32_t ThreadPool::Create(Cell self, const ThreadPoolCreateOptions& options) {
  ThreadPool* pool = *self;
  if (InterlockedCompareExchange(pool->state, kStateCreating, kStateNone) != kStateNone) return 0;
  // The creation is a member until it ends: on its failure road it is the last one, and its
  // release closes whatever was made and puts the state back to kStateNone.
  InterlockedIncrement(pool->members);
  const int32_t pump = options.pumpMessages;
  const int32_t initialThreads = SettleCreateOptions(pool, options);
  const bool running = OpenPortAndEvents(pool) && StartManager(pool) &&
                       StartPermanentWorkers(pool, initialThreads, pump);
  if (running) {
    InterlockedExchange(pool->state, kStateRunning);
  } else {
    StopManager(pool, pump);
  }
  DropMember(pool);
  return running ? 1 : 0;
}

uint32_t ThreadPool::WorkerMain(Cell self, intptr_t kind) noexcept {
  ThreadPool* pool = *self;
  InterlockedIncrement(pool->live);
  InterlockedDecrement(pool->starting);
  platform::SetEvent(LoadRelaxed(pool->startedEvent));
  for (;;) {
    uint32_t bytes = 0;
    uintptr_t key = 0;
    intptr_t overlapped = 0;
    const uint32_t timeout = kind == kIdleTimeoutWorker
                                 ? static_cast<uint32_t>(LoadRelaxed(pool->idleTimeout))
                                 : INFINITE;
    const bool ok = platform::GetQueuedCompletionStatus(LoadRelaxed(pool->port), &bytes, &key,
                                                        &overlapped, timeout);
    Wait(LoadRelaxed(pool->runGate), INFINITE);
    if (!(LoadRelaxed(pool->running) == 1 && ok && overlapped != kExitMarker)) break;
    InterlockedIncrement(pool->busy);
    InterlockedDecrement(pool->queued);
    RunTask(overlapped, static_cast<int32_t>(bytes), static_cast<int32_t>(key));
    InterlockedDecrement(pool->busy);
    platform::SetEvent(LoadRelaxed(pool->taskDoneEvent));
  }
  InterlockedDecrement(pool->live);
  DropMember(pool);
  DropReference(pool);
  return 0;
}

void ThreadPool::RunTask(intptr_t routine, int32_t argument, int32_t key) {
  reinterpret_cast<TaskRoutine>(routine)(argument, key);
}

uint32_t ThreadPool::ManagerMain(Cell self) noexcept {
  ThreadPool* pool = *self;
  InterlockedExchange(pool->managerStarting, 0);
  int32_t fails = 0;
  Wait(LoadRelaxed(pool->growEvent), INFINITE);
  while (LoadRelaxed(pool->state) == kStateRunning) {
    if (GrowthTestHolds(pool)) {
      if (!ReserveWorkerWhileRunning(pool)) break;
      const Handle worker =
          platform::CreateThread(static_cast<size_t>(LoadRelaxed(pool->stackSize)),
                                 AsThreadRoutine(pool->workerStub), kIdleTimeoutWorker, 0, nullptr);
      if (worker == 0) {
        CancelWorker(pool);
        if (++fails == kFailuresInARow) {
          StoreRelaxed(pool->maxThreads, LoadRelaxed(pool->live));
          fails = 0;
        }
      } else {
        fails = 0;
        platform::CloseHandle(worker);
        Wait(LoadRelaxed(pool->startedEvent), StartLimit(LoadRelaxed(pool->live)));
      }
    } else {
      Wait(LoadRelaxed(pool->growEvent), INFINITE);
    }
    Wait(LoadRelaxed(pool->runGate), INFINITE);
  }
  DropMember(pool);
  DropReference(pool);
  return 0;
}

int32_t ThreadPool::Destroy(Cell self, int32_t mode, int32_t timeout, int32_t pumpMessages) {
  ThreadPool* pool = *self;
  const int32_t previous = InterlockedCompareExchange(pool->state, kStateDestroying, kStateRunning);
  if (previous == kStateNone) return 1;
  if (previous != kStateRunning) return 0;
  // A permanent worker is still a member here, so the count cannot have reached 0: holding a
  // membership keeps the handles this call uses from being released under it.
  InterlockedIncrement(pool->members);

  if (mode < kDropQueuedAndWait || mode > kRunQueuedNoWait) mode = kDropQueuedAndWait;
  const bool dropsQueued = mode == kDropQueuedAndWait || mode == kDropQueuedNoWait;
  if (dropsQueued) StoreRelaxed(pool->running, 0);
  platform::SetEvent(LoadRelaxed(pool->taskDoneEvent));
  platform::SetEvent(LoadRelaxed(pool->startedEvent));
  platform::SetEvent(LoadRelaxed(pool->growEvent));
  platform::SetEvent(LoadRelaxed(pool->runGate));

  const Handle manager = InterlockedExchange(pool->managerThread, 0);
  for (int32_t k = 1;; ++k) {
    const uint32_t r = Wait(manager, kWaitStepMs);
    if (!(r == WAIT_TIMEOUT && k <= 20)) break;
    Pump(pumpMessages);
  }
  platform::CloseHandle(manager);
  Pump(pumpMessages);

  const Handle port = LoadRelaxed(pool->port);
  platform::PostQueuedCompletionStatus(port, kExitBytes, kExitKey, kExitMarker);
  // starting before live: a worker counts itself in live before it leaves starting, so it is
  // seen in one of the two.
  const int32_t notYetCounted = ReadOrdered(pool->starting);
  const int32_t further = AddOffset(ReadOrdered(pool->live), notYetCounted);
  for (int32_t k = 1; k <= further; ++k) {
    platform::PostQueuedCompletionStatus(port, kExitBytes, kExitKey, kExitMarker);
    if (k % 100 == 0) Pump(pumpMessages);
  }
  const Handle growEvent = LoadRelaxed(pool->growEvent);
  DropMember(pool);

  if (mode == kDropQueuedNoWait || mode == kRunQueuedNoWait) return 1;
  const uint32_t t0 = timeout > 0 ? platform::GetTickCount() : 0;
  for (;;) {
    if (LoadRelaxed(pool->state) != kStateDestroying) return 1;
    if (timeout > 0 && Elapsed(t0) > static_cast<uint32_t>(timeout)) return 0;
    // Once released the handle is closed and the wait fails at once, just before the state
    // changes.
    if (Wait(growEvent, kWaitStepMs) == WAIT_FAILED) std::this_thread::yield();
    Pump(pumpMessages);
  }
}

int32_t ThreadPool::Pause(Cell self) {
  ThreadPool* pool = *self;
  if (LoadRelaxed(pool->state) != kStateRunning) return 0;
  const Handle gate = LoadRelaxed(pool->runGate);
  const bool reset = platform::ResetEvent(gate);
  // A destruction that claimed the pool since the test above may have opened the gate already:
  // it is opened again, or workers holding exit packets would wait for ever.
  if (ReadOrdered(pool->state) != kStateRunning) platform::SetEvent(gate);
  return reset ? 1 : 0;
}

int32_t ThreadPool::Resume(Cell self) {
  ThreadPool* pool = *self;
  if (LoadRelaxed(pool->state) != kStateRunning) return 0;
  return platform::SetEvent(LoadRelaxed(pool->runGate)) ? 1 : 0;
}

int32_t ThreadPool::WaitRunGate(Cell self, std::optional<int32_t> timeout) {
  ThreadPool* pool = *self;
  if (LoadRelaxed(pool->state) != kStateRunning) return 0;
  const uint32_t t = timeout ? static_cast<uint32_t>(*timeout) : INFINITE;
  return Wait(LoadRelaxed(pool->runGate), t) == WAIT_OBJECT_0 ? 1 : 0;
}

int32_t ThreadPool::Post(Cell self, TaskRoutine routine, int32_t argument, int32_t key) {
  return (*self)->operations->postAddress(self, reinterpret_cast<intptr_t>(routine), argument, key);
}

int32_t ThreadPool::PostAddress(Cell self, intptr_t routineAddress, int32_t argument, int32_t key) {
  ThreadPool* pool = *self;
  if (LoadRelaxed(pool->state) != kStateRunning || routineAddress == 0) return 0;
  if (!EnterCall(pool)) return 0;
  InterlockedIncrement(pool->queued);
  const bool posted = platform::PostQueuedCompletionStatus(
      LoadRelaxed(pool->port), static_cast<uint32_t>(argument),
      static_cast<uintptr_t>(static_cast<uint32_t>(key)), routineAddress);
  if (!posted) InterlockedDecrement(pool->queued);
  if (GrowthTestHolds(pool)) platform::SetEvent(LoadRelaxed(pool->growEvent));
  LeaveCall(pool);
  return posted ? 1 : 0;
}

int32_t ThreadPool::WaitTaskDone(Cell self, std::optional<int32_t> timeout, int32_t pumpMessages) {
  ThreadPool* pool = *self;
  if (LoadRelaxed(pool->state) != kStateRunning) return 0;
  if (pumpMessages == 1) {
    const bool timed = timeout && *timeout != -1;
    const uint32_t t0 = timed ? platform::GetTickCount() : 0;
    for (;;) {
      DoEvents();
      uint32_t r = Wait(LoadRelaxed(pool->taskDoneEvent), kWaitStepMs);
      if (timed && Elapsed(t0) > static_cast<uint32_t>(*timeout)) r = WAIT_FAILED;
      if (r == WAIT_OBJECT_0) return 1;
      if (r == WAIT_FAILED) return 0;
    }
  }
  const uint32_t t = timeout ? static_cast<uint32_t>(*timeout) : INFINITE;
  return Wait(LoadRelaxed(pool->taskDoneEvent), t) == WAIT_OBJECT_0 ? 1 : 0;
}

int32_t ThreadPool::IdleCount(Cell self) {
  return AddOffset(LoadRelaxed((*self)->live), -LoadRelaxed((*self)->busy));
}

int32_t ThreadPool::BusyCount(Cell self) { return LoadRelaxed((*self)->busy); }

int32_t ThreadPool::QueuedCount(Cell self) { return LoadRelaxed((*self)->queued); }

int32_t ThreadPool::LiveCount(Cell self) { return LoadRelaxed((*self)->live); }

int32_t ThreadPool::MaxThreads(Cell self) { return LoadRelaxed((*self)->maxThreads); }

int32_t ThreadPool::IsIdle(Cell self) {
  return LoadRelaxed((*self)->queued) == 0 && LoadRelaxed((*self)->busy) == 0 ? 1 : 0;
}

int32_t ThreadPool::State(Cell self) { return LoadRelaxed((*self)->state); }

void ThreadPool::SetMaxThreads(Cell self, int32_t value) {
  ThreadPool* pool = *self;
  if (LoadRelaxed(pool->state) != kStateRunning || !EnterCall(pool)) return;
  StoreRelaxed(pool->maxThreads, value < 1 ? 1 : value);
  if (GrowthTestHolds(pool)) platform::SetEvent(LoadRelaxed(pool->growEvent));
  LeaveCall(pool);
}

void ThreadPool::SetIdleTimeout(Cell self, int32_t value) {
  ThreadPool* pool = *self;
  if (LoadRelaxed(pool->state) != kStateRunning || !EnterCall(pool)) return;
  StoreRelaxed(pool->idleTimeout, value < 100 ? 100 : value);
  LeaveCall(pool);
}

void ThreadPool::SetStackSize(Cell self, std::optional<int32_t> value) {
  ThreadPool* pool = *self;
  if (LoadRelaxed(pool->state) != kStateRunning || !EnterCall(pool)) return;
  StoreRelaxed(pool->stackSize, SettledStackSize(value.value_or(0), 8192));
  LeaveCall(pool);
}
