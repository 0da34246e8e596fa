// A hook that tests place in front of some kernel calls, so that they can hold the calling thread
// at a chosen point of another routine (between its test of a state and the call that acts on
// it) and show a race without relying on timing. The thread-creation faults are in
// thread_faults.h.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/kernel/handle.h"

namespace platform {

enum class KernelCallKind { kSetEvent, kResetEvent, kPostQueuedCompletionStatus };

struct KernelCall {
  KernelCallKind kind;
  Handle handle;
  intptr_t overlapped = 0;  // the packet's, for kPostQueuedCompletionStatus
};

// SetEvent, ResetEvent and PostQueuedCompletionStatus call the observer on the calling thread
// before they act; it may block. An empty observer (the start) removes it. The observer must not
// itself make a call it observes on a thread it holds.
void SetKernelCallObserver(std::function<void(const KernelCall&)> observer);

namespace call_faults {
// What the observed calls run first. Costs one atomic load while no observer is set.
void BeforeCall(const KernelCall& call);
}  // namespace call_faults

}  // namespace platform
