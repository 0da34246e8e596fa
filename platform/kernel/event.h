// Events: a signal state that threads set and reset and that waits (wait.h) wait for.
//
// Use an event to tell other threads that something has happened when they wait for it with a
// time-out or together with their message queue. To guard data that threads share, use a lock
// (recursive_lock.h) instead; an event orders nothing but its own signal.
#pragma once

#include "platform/kernel/handle.h"
#include "platform/kernel/waiter.h"

namespace platform {

class Event : public WaitableObject {
 public:
  // A manual-reset event stays set until it is reset and releases every waiter; an auto-reset
  // event releases one waiter per set and is reset by that release (or stays set until one
  // comes, when none is waiting).
  Event(bool manualReset, bool initiallySet) : WaitableObject(manualReset, initiallySet) {}

  // A wait that this set releases returns after the set has begun.
  void Set() { Signal(); }
  void Reset() { Unsignal(); }
};

// A new event's handle; never 0.
Handle CreateEvent(bool manualReset, bool initiallySet);
// False when the handle names no open event.
bool SetEvent(Handle event);
bool ResetEvent(Handle event);

}  // namespace platform
