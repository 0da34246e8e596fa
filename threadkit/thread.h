// Thread: starts one platform thread on a routine, holds that thread's handle, and waits for,
// suspends, terminates and inspects it.
//
// A Thread holds at most one thread at a time: Start refuses while the held thread runs and
// forgets (closing its handle) one that has ended. Destroying a Thread only closes the handle;
// the thread runs on. `handle` is the only shared state; the operations read and change it with
// interlocked operations, so several threads may use one Thread, and of two concurrent starts
// only one creates a thread.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/kernel/kernel_thread.h"

// A thread routine: one argument word (the start's param), the exit code as result.
using ThreadRoutine = platform::ThreadStartRoutine;

// The optional arguments of Thread::Start. Absent ones count as 0 unless told otherwise; the
// outputs are written only when given (non-null).
struct ThreadStartOptions {
  intptr_t param = 0;
  intptr_t* outHandle = nullptr;
  bool suspended = false;
  bool wait = false;
  std::optional<int32_t> timeout = std::nullopt;  // milliseconds; absent: no limit
  int32_t* outExitCode = nullptr;
  bool pump = false;                                // wait while processing the thread's messages
  std::optional<int32_t> stackSize = std::nullopt;  // bytes; absent or 0: the default
};

struct Thread {
  // The operation table, in this order.
  struct Operations {
    void (*destruct)(Thread* const* self);
    Thread* (*copy)(Thread* const* self);
    int32_t (*close)(Thread* const* self, bool closeHandle);
    int32_t (*isRunning)(Thread* const* self);
    int32_t (*start)(Thread* const* self, ThreadRoutine routine, const ThreadStartOptions& options);
    int32_t (*startAddress)(Thread* const* self, intptr_t address,
                            const ThreadStartOptions& options);
    int32_t (*wait)(Thread* const* self, std::optional<int32_t> timeout);
    int32_t (*waitPumping)(Thread* const* self, std::optional<int32_t> timeout);
    int32_t (*waitMessages)(Thread* const* self, std::optional<int32_t> timeout);
    int32_t (*suspend)(Thread* const* self);
    int32_t (*resume)(Thread* const* self);
    int32_t (*detach)(Thread* const* self);
    int32_t (*terminate)(Thread* const* self);
    int32_t (*exitCode)(Thread* const* self);
    int32_t (*getPriority)(Thread* const* self);
    int32_t (*setPriority)(Thread* const* self, int32_t priority);
    int32_t (*setAffinity)(Thread* const* self, int32_t mask);
    intptr_t (*handle)(Thread* const* self);
    void (*setHandle)(Thread* const* self, intptr_t handle);
  };
  static const Operations kOperations;

  const Operations* operations;
  // The held thread's handle; 0: none; 1: a start in progress, before the thread exists.
  intptr_t handle;

  // The holder's part of creation: table set, nothing held. The class has no construction hook.
  static Thread* New();
  // Destruction hook: Detach.
  static void Term(Thread* const* self);

  // Term; the holder frees the instance afterwards.
  static void Destruct(Thread* const* self);
  // A new instance holding the same handle value. Both may close it: the second close of a
  // handle fails harmlessly, since handles are never reused.
  static Thread* Copy(Thread* const* self);

  // 1 when nothing is held afterwards, 0 while the held thread runs. An ended thread is
  // forgotten, and its handle closed when closeHandle is true; a handle that fails the probe is
  // forgotten without closing.
  static int32_t Close(Thread* const* self, bool closeHandle = false);
  // 1 while the held thread runs, else 0.
  static int32_t IsRunning(Thread* const* self);

  // Starts a thread on routine(param) after forgetting an ended one; 0 when the held thread
  // still runs, another start is in progress or the thread cannot be made (then outHandle gets
  // 0). A refused start writes no output. The stack size asked for is rounded: below 8192 (and
  // not 0) gives 8192, otherwise down to a multiple of 4096.
  //
  // With wait (and not suspended) it waits up to timeout for the thread: when the thread ends,
  // outExitCode gets its exit code, the handle is closed and forgotten, outHandle gets 0 and the
  // result is 1; at the time-out the thread runs on, outHandle gets the handle and the result is
  // 1; a failed wait gives 0 (outHandle 0, the handle kept). With pump the wait processes the
  // thread's messages before each wait and is woken by new ones, each pass waiting the whole
  // time-out again. Without wait, outHandle gets the handle and the result is 1.
  static int32_t Start(Thread* const* self, ThreadRoutine routine,
                       const ThreadStartOptions& options = {});
  // As Start, with the routine given as a code address (a method stub, say); 0 at once for 0.
  static int32_t StartAddress(Thread* const* self, intptr_t address,
                              const ThreadStartOptions& options = {});

  // The waits: 1 when the thread has ended (the handle stays held) or nothing is held, 0 while
  // it still runs at the time-out; a failed wait forgets the handle without closing it and
  // gives 1. Wait waits up to timeout (absent: no limit). WaitPumping waits in 15 ms steps and
  // processes the thread's messages between them (absent or negative: no limit; 100 ms is one
  // step of 10 ms and up to six of 15). WaitMessages waits up to timeout, woken by new messages,
  // which it processes before waiting the whole time-out again.
  static int32_t Wait(Thread* const* self, std::optional<int32_t> timeout = std::nullopt);
  static int32_t WaitPumping(Thread* const* self, std::optional<int32_t> timeout = std::nullopt);
  static int32_t WaitMessages(Thread* const* self, std::optional<int32_t> timeout = std::nullopt);

  // These act only on a running thread: after a Close (without closing the handle) that finds
  // nothing running they give 0. Suspend and Resume give 1 when the platform call succeeded.
  // Terminate gives 1 when nothing is held (also right away), else ends the thread with exit
  // code 0 at its next cancellation point and gives the result of a second Close: 0 while the
  // thread still shows as running. The handle is never closed by these.
  static int32_t Suspend(Thread* const* self);
  static int32_t Resume(Thread* const* self);
  static int32_t Terminate(Thread* const* self);
  // The platform's priority level of the running thread; 0 when none runs.
  static int32_t GetPriority(Thread* const* self);
  // 1 when the platform call succeeded.
  static int32_t SetPriority(Thread* const* self, int32_t priority);
  static int32_t SetAffinity(Thread* const* self, int32_t mask);

  // Forgets the held handle, closing it: 1 when nothing was held, else the close's result. The
  // thread runs on.
  static int32_t Detach(Thread* const* self);
  // The held thread's exit code (STILL_ACTIVE, 259, while it runs); 0 when nothing is held.
  static int32_t ExitCode(Thread* const* self);
  // The handle field as it is.
  static intptr_t Handle(Thread* const* self);
  // Detaches (closing the handle held until then), then holds handle.
  static void SetHandle(Thread* const* self, intptr_t handle);
};
