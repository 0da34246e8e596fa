// Waiting for kernel objects: events, waitable timers and threads (a thread is signalled when
// it has ended).
#pragma once

#include <cstdint>

#include "platform/kernel/handle.h"

namespace platform {

// The wake-mask bits of MsgWaitForMultipleObjects. Posted messages are the only input this
// platform has: QS_POSTMESSAGE and QS_ALLPOSTMESSAGE make the wait watch the message queue, and
// the other kinds are accepted and ignored.
inline constexpr uint32_t QS_KEY = 0x0001;
inline constexpr uint32_t QS_MOUSEMOVE = 0x0002;
inline constexpr uint32_t QS_MOUSEBUTTON = 0x0004;
inline constexpr uint32_t QS_POSTMESSAGE = 0x0008;
inline constexpr uint32_t QS_TIMER = 0x0010;
inline constexpr uint32_t QS_PAINT = 0x0020;
inline constexpr uint32_t QS_SENDMESSAGE = 0x0040;
inline constexpr uint32_t QS_HOTKEY = 0x0080;
inline constexpr uint32_t QS_ALLPOSTMESSAGE = 0x0100;
inline constexpr uint32_t QS_RAWINPUT = 0x0400;

// Waits up to timeoutMs (INFINITE: no limit) for the object to be signalled; taking the signal
// of an auto-reset object unsignals it. WAIT_OBJECT_0 when it was signalled, WAIT_TIMEOUT, or
// WAIT_FAILED when the handle is not open or names nothing to wait for. An object whose handle
// is closed during the wait stays valid for the wait. A cancellation point of the thread.
uint32_t WaitForSingleObject(Handle object, uint32_t timeoutMs);

// Waits up to timeoutMs for any of count objects to be signalled, or, when wakeMask asks for
// posted messages, for a message to be posted to the calling thread's queue. Returns
// WAIT_OBJECT_0 + i for the first signalled object i (its signal taken), WAIT_OBJECT_0 + count
// for messages, WAIT_TIMEOUT, or WAIT_FAILED (a handle that is not open or not waitable, or
// waitAll, which is not supported).
//
// Messages wake the wait when they were posted since the thread last heard of them from this
// call: the call that reports them counts as hearing of them. So a message that stays in the
// queue (a quit message, which dispatching leaves there) wakes one wait, not every later one.
// Objects come before messages when both are ready. A cancellation point of the thread.
uint32_t MsgWaitForMultipleObjects(uint32_t count, const Handle* handles, bool waitAll,
                                   uint32_t timeoutMs, uint32_t wakeMask);

}  // namespace platform
