// ThreadPool: runs posted tasks on worker threads that take them from one completion port.
//
// Create starts a manager thread and a first set of permanent workers; the manager adds
// idle-timeout workers, one at a time, while more tasks are waiting or running than there are
// workers, up to a maximum, and such a worker leaves again after idleTimeout milliseconds
// without a packet. One manual-reset event, the run gate, holds every worker (after its next
// dequeue) and the manager while the pool is paused. Destroy shuts the pool down with exit
// packets; the last thread of the pool to leave releases the port and the events and puts the
// instance back into its initial state, so that it can be created again.
//
// Use it for coarse tasks (a download each, say) posted from any thread. It takes no lock of its
// own: creation and destruction exclude each other through a compare-exchange on `state`, and
// the counters are changed with interlocked operations and read without synchronisation, so a
// count may be a moment old.
//
// Typical use (one pool for the program's run):
//
//   Instance<ThreadPool> pool;                          // New: Init makes the two method stubs
//   if (!ThreadPool::Create(pool.Cell(), {.initialThreads = n, .maxThreads = n})) { ... }
//   ThreadPool::Post(pool.Cell(), CategoryTaskEntry, index);
//   ThreadPool::WaitTaskDone(pool.Cell());              // 1 per finished task (or destruction)
//   ThreadPool::Pause(pool.Cell()); ThreadPool::Resume(pool.Cell());
//   ThreadPool::Destroy(pool.Cell(), ThreadPool::kDropQueuedAndWait, 20);  // up to 20 ms
//   // ~Instance: Destruct runs Term (Destroy without waiting, then the stubs are freed)
//
// States (ThreadPool::kState..., below): none, running, creating, destroying. Post, PostAddress,
// WaitTaskDone, Pause, Resume, WaitRunGate and the setters act only while running; the counters
// work in every state.
#pragma once

#include <cstdint>
#include <new>
#include <optional>

#include "platform/kernel/handle.h"
#include "threadkit/method_stub.h"

// A task: called on a worker with the packet's argument and key; nothing catches a failure in
// it. A routine that has no use for the key still declares it.
using TaskRoutine = void (*)(int32_t argument, int32_t key);

// The optional parameters of ThreadPool::Create, each with its default and settling.
struct ThreadPoolCreateOptions {
  // Permanent workers to start; absent: 5; below 1 becomes 1.
  std::optional<int32_t> initialThreads = std::nullopt;
  // Workers up to which the manager grows the pool; absent: 20; below the settled
  // initialThreads becomes initialThreads.
  std::optional<int32_t> maxThreads = std::nullopt;
  // Milliseconds an idle-timeout worker waits for a packet; absent: 10000; below 100 becomes 100.
  std::optional<int32_t> idleTimeout = std::nullopt;
  // Exactly 1: process the calling thread's messages while Create waits.
  int32_t pumpMessages = 0;
  // Bytes of stack for every worker; absent or 0: the platform's default; any other value below
  // 8192 (negative ones too) becomes 8192, others are rounded down to a multiple of 4096.
  std::optional<int32_t> stackSize = std::nullopt;
};

struct ThreadPool {
  using Cell = ThreadPool* const*;

  // The operation table, in this order: MakeMethodStub(1) is WorkerMain, (2) ManagerMain.
  struct Operations {
    void (*destruct)(Cell self);
    ThreadPool* (*copy)(Cell self);
    uint32_t (*workerMain)(Cell self, intptr_t kind);
    uint32_t (*managerMain)(Cell self);
    int32_t (*create)(Cell self, const ThreadPoolCreateOptions& options);
    int32_t (*destroy)(Cell self, int32_t mode, int32_t timeout, int32_t pumpMessages);
    int32_t (*pause)(Cell self);
    int32_t (*resume)(Cell self);
    int32_t (*waitRunGate)(Cell self, std::optional<int32_t> timeout);
    int32_t (*post)(Cell self, TaskRoutine routine, int32_t argument, int32_t key);
    int32_t (*postAddress)(Cell self, intptr_t routineAddress, int32_t argument, int32_t key);
    int32_t (*waitTaskDone)(Cell self, std::optional<int32_t> timeout, int32_t pumpMessages);
    int32_t (*idleCount)(Cell self);
    int32_t (*busyCount)(Cell self);
    int32_t (*queuedCount)(Cell self);
    int32_t (*liveCount)(Cell self);
    int32_t (*maxThreadsCount)(Cell self);
    int32_t (*isIdle)(Cell self);
    int32_t (*stateValue)(Cell self);
    void (*setMaxThreads)(Cell self, int32_t value);
    void (*setIdleTimeout)(Cell self, int32_t value);
    void (*setStackSize)(Cell self, std::optional<int32_t> value);
  };
  static const Operations kOperations;

  // The values of `state`, which State gives. None is the initial state, and the state again
  // once the last thread of a creation has released it; Create passes through creating to
  // running, Destroy through destroying back to none.
  static constexpr int32_t kStateNone = 0;
  static constexpr int32_t kStateRunning = 1;
  static constexpr int32_t kStateCreating = 2;
  static constexpr int32_t kStateDestroying = 3;

  // The worker kind of the threads the manager adds; permanent workers get 0.
  static constexpr intptr_t kIdleTimeoutWorker = 1;
  // The exit packet: a worker knows it by its overlapped value, an address no routine has.
  static constexpr uint32_t kExitBytes = 0xFFFFFFFF;
  static constexpr uintptr_t kExitKey = 0xFFFFFFFF;
  static constexpr intptr_t kExitMarker = -2;

  const Operations* operations;
  MethodStub workerStub;   // runs WorkerMain on this instance; the thread parameter is the kind
  MethodStub managerStub;  // runs ManagerMain on this instance
  int32_t state;
  platform::Handle port;
  int32_t running;  // 1 while workers run what they take; else each leaves at its next dequeue
  platform::Handle growEvent;      // auto-reset: wakes the manager to test for growth
  platform::Handle startedEvent;   // auto-reset: set by each worker as it starts
  platform::Handle taskDoneEvent;  // auto-reset: set after every task, and by Destroy
  platform::Handle runGate;        // manual-reset, made set: the run gate
  int32_t live;                    // workers that have started and not yet left
  int32_t busy;                    // workers running a task
  int32_t queued;                  // tasks posted and not yet taken by a worker to run
  platform::Handle managerThread;
  int32_t maxThreads;
  int32_t idleTimeout;  // milliseconds
  int32_t stackSize;    // bytes; 0: the platform's default

  // The bookkeeping that keeps one creation's threads, and calls still in progress, from
  // meeting released handles or a pool created again on the same instance.
  //
  // Workers being created or created and not yet counted in `live`: Destroy posts
  // 1 + live + starting exit packets, and Term waits for 0 before it frees the stubs.
  int32_t starting;
  // 1 from just before the manager's creation until it has entered ManagerMain.
  int32_t managerStarting;
  // What still uses this creation's handles: the manager, every worker from just before its
  // creation until it leaves, and a Destroy in progress. Whoever brings it to 0 once the pool is
  // no longer running releases the pool; so `state` returns to kStateNone only when no thread of
  // the old creation can touch the instance again.
  int32_t members;
  // Calls of Post, PostAddress and the setters that passed their state test and have not
  // finished. The release waits for them, so that their changes land in the pool they tested:
  // when some are left, releasePending is set and the last of them releases the pool.
  int32_t callers;
  int32_t releasePending;
  // The holder's reference and one per thread of the pool: the instance's memory goes when the
  // last is dropped, so that a worker still running a task after a Destroy that did not wait,
  // and a Term, never touches freed memory.
  int32_t references;

  // The holder's part of creation: a zeroed instance with its table set and its one reference,
  // after Init.
  static ThreadPool* New();
  // Construction hook: workerStub := MakeMethodStub(1), managerStub := MakeMethodStub(2).
  static void Init(Cell self);
  // Destruction hook: Destroy (kDropQueuedNoWait, through the table), then, once no thread of
  // the pool can still enter a stub, frees both stubs; the two fields keep their old values. A
  // running pool is told to end but not waited for. No other operation may be in progress or
  // follow.
  static void Term(Cell self);

  // Term; the holder frees the instance afterwards.
  static void Destruct(Cell self);
  // A new instance whose fields equal this one's (its own reference apart): it shares the
  // handles and the stubs, so at most one of the two may be destructed.
  static ThreadPool* Copy(Cell self);

  // The thread routines, reached only through the stubs. A kind of kIdleTimeoutWorker waits at
  // most idleTimeout for each packet and leaves when none came; any other kind waits without
  // limit. The exit codes mean nothing.
  static uint32_t WorkerMain(Cell self, intptr_t kind) noexcept;
  static uint32_t ManagerMain(Cell self) noexcept;
  // Calls the task routine at address routine with argument and key on the calling thread.
  static void RunTask(intptr_t routine, int32_t argument, int32_t key);

  // 1 when the pool runs afterwards, else 0: the instance was not in kStateNone (nothing changes),
  // or the port, an event, the manager or every worker could not be made (whatever was made is
  // closed first and the state is kStateNone again). Waits until the started workers are counted
  // (up to 10 ms each plus a second once one has started), and, when no worker could be made, until
  // the manager it started has ended. Workers that start later join the running pool.
  static int32_t Create(Cell self, const ThreadPoolCreateOptions& options = {});

  // The modes of Destroy: whether the tasks still queued are dropped or run first (they run
  // before the exit packets, which are queued behind them), and whether it waits for the
  // workers to leave. Running tasks always finish.
  static constexpr int32_t kDropQueuedAndWait = 0;
  static constexpr int32_t kRunQueuedAndWait = 1;
  static constexpr int32_t kDropQueuedNoWait = 2;
  static constexpr int32_t kRunQueuedNoWait = 3;

  // Shuts a running pool down in one of the modes above (any other value acts as
  // kDropQueuedAndWait). timeout (ms, for the modes that wait): 0 or less waits without limit.
  // pumpMessages 1 processes the calling thread's messages while it waits. Opens the run gate,
  // wakes WaitTaskDone (which then gives 1), stops the manager (waiting up to about 420 ms for
  // it), then posts 1 + live + starting exit packets.
  // Result: 1 when the pool was in kStateNone, when it is released before the limit, or for the
  // modes that do not wait; 0 while a creation or destruction is under way (nothing changes) or
  // at the limit, in which case the destruction goes on by itself and the state reaches kStateNone
  // later.
  static int32_t Destroy(Cell self, int32_t mode = kDropQueuedAndWait, int32_t timeout = 0,
                         int32_t pumpMessages = 0);

  // Pause closes the run gate: each worker stops after its next dequeue, holding the packet it
  // took; running tasks finish; posting goes on. Resume opens it. 0 when the pool is not running,
  // else 1 (the platform call's result). A Pause that meets a destruction never leaves the gate
  // closed behind it.
  static int32_t Pause(Cell self);
  static int32_t Resume(Cell self);
  // 1 when the run gate is open or opens within timeout (absent: no limit), else 0; 0 when the
  // pool is not running.
  static int32_t WaitRunGate(Cell self, std::optional<int32_t> timeout = std::nullopt);

  // Posts a task: non-zero when posted, 0 when the pool is not running, for a routine or address
  // 0, or when the port refused (then nothing is counted). A posted task runs once, in the pool
  // whose port took it, unless a destruction drops it. Wakes the manager when the pool should
  // grow.
  static int32_t Post(Cell self, TaskRoutine routine, int32_t argument = 0, int32_t key = 0);
  static int32_t PostAddress(Cell self, intptr_t routineAddress, int32_t argument = 0,
                             int32_t key = 0);

  // 1 when a task finished (several that finish before the wait count as one; each signal
  // releases one waiter) or the pool was destroyed meanwhile; 0 when the pool is not running, at
  // the time-out (absent or -1: no limit) or when the wait fails. With pumpMessages 1 it waits in
  // 20 ms steps and processes the calling thread's messages before each; a signal in the step
  // during which the limit passes gives 0.
  static int32_t WaitTaskDone(Cell self, std::optional<int32_t> timeout = std::nullopt,
                              int32_t pumpMessages = 0);

  // The counters, read without synchronisation in any state.
  static int32_t IdleCount(Cell self);  // live - busy
  static int32_t BusyCount(Cell self);
  static int32_t QueuedCount(Cell self);
  static int32_t LiveCount(Cell self);
  static int32_t MaxThreads(Cell self);
  static int32_t IsIdle(Cell self);  // 1 when queued and busy are 0
  static int32_t State(Cell self);

  // The setters act only in kStateRunning. SetMaxThreads: below 1 becomes 1; wakes the manager when
  // the pool should grow; a lower maximum stops no worker. SetIdleTimeout: below 100 becomes 100,
  // for each idle-timeout worker's next dequeue. SetStackSize: absent or 0 is 0, others below 8192
  // become 8192, the rest is rounded down to a multiple of 8192, for workers started afterwards.
  static void SetMaxThreads(Cell self, int32_t value);
  static void SetIdleTimeout(Cell self, int32_t value);
  static void SetStackSize(Cell self, std::optional<int32_t> value = std::nullopt);

  // The holder's delete: drops the holder's reference; the memory goes with the last one.
  static void operator delete(ThreadPool* pool, std::destroying_delete_t);
};
