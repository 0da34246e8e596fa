// Threads on pthreads, named by handles. A thread's handle is signalled when the thread has
// ended, so the waits of wait.h wait for it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/kernel/handle.h"
#include "platform/message_queue.h"

namespace platform {

// A thread's start routine: one argument word in, the thread's exit code out.
using ThreadStartRoutine = uint32_t (*)(intptr_t parameter);

// The exit code of a thread that has not ended.
inline constexpr uint32_t STILL_ACTIVE = 259;

// Creation flag: the thread is made but does not run its routine until ResumeThread.
inline constexpr uint32_t CREATE_SUSPENDED = 0x4;

// The priority levels; SetThreadPriority takes only these.
inline constexpr int32_t THREAD_PRIORITY_IDLE = -15;
inline constexpr int32_t THREAD_PRIORITY_LOWEST = -2;
inline constexpr int32_t THREAD_PRIORITY_BELOW_NORMAL = -1;
inline constexpr int32_t THREAD_PRIORITY_NORMAL = 0;
inline constexpr int32_t THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr int32_t THREAD_PRIORITY_HIGHEST = 2;
inline constexpr int32_t THREAD_PRIORITY_TIME_CRITICAL = 15;
// GetThreadPriority's answer when it fails.
inline constexpr int32_t THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

// Starts a thread on routine(parameter) and returns its handle, or 0 when it cannot be made.
// The thread gets at least the platform's default stack: a larger stackSize gives it that much
// (0 asks for the default). With CREATE_SUSPENDED in flags it waits before its routine until it
// is resumed. threadId, when not null, receives the thread's system id. The thread is detached:
// it frees its resources when it ends, whether or not its handle is still open, and closing the
// handle does not stop it.
Handle CreateThread(size_t stackSize, ThreadStartRoutine routine, intptr_t parameter,
                    uint32_t flags, ThreadId* threadId);

// The thread's system id, or 0 when the handle names no open thread.
ThreadId GetThreadId(Handle thread);

// Stores the thread's exit code (STILL_ACTIVE while it runs) and returns true; false when the
// handle names no open thread.
bool GetExitCodeThread(Handle thread, uint32_t* exitCode);

// Raises the thread's suspend count and returns the count before, or -1 when the handle names no
// running thread. A thread whose count is above 0 is parked by a signal: it stops where it is
// soon after the call, which does not wait for that.
int32_t SuspendThread(Handle thread);

// Lowers the suspend count (when above 0) and returns the count before, or -1 as above. At 0
// the thread runs on; a thread created suspended starts its routine.
int32_t ResumeThread(Handle thread);

// Ends the thread at its next cancellation point (the waits of this layer are such points, so
// a thread blocked in one ends at once); its exit code becomes exitCode. Returns before the
// thread has ended; wait for its handle to know. False when the handle names no running thread.
// A thread must not be terminated while it runs code that cannot be unwound (a method stub).
bool TerminateThread(Handle thread, uint32_t exitCode);

// The thread's priority level, read from its nice value relative to the process's niceness
// (the main thread's when this layer first looked), so that a new thread is at
// THREAD_PRIORITY_NORMAL however the process was niced; THREAD_PRIORITY_ERROR_RETURN on failure.
// SetThreadPriority moves the thread's nice value by the level's step from the process's:
// lowering a thread needs no privilege, raising one above the process's niceness (or back up
// from a lower level) needs the right to lower nice values. False for any other level and on
// failure. Near the ends of the nice range several levels share one value; each still reads
// back as the level last set.
int32_t GetThreadPriority(Handle thread);
bool SetThreadPriority(Handle thread, int32_t priority);

// Binds the thread to the processors of mask (bit n: processor n) and returns the mask it had,
// or 0 on failure (the handle, or no usable processor in mask).
uintptr_t SetThreadAffinityMask(Handle thread, uintptr_t mask);

}  // namespace platform
