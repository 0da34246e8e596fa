// Waitable timers: objects that become signalled by themselves at a due time.
//
// No thread runs the timer: a waiter on it wakes up at the due time (WaitableObject::
// NextSelfSignal) and finds it signalled then, which is all a waitable timer is used for here.
#pragma once

#include <cstdint>

#include "platform/kernel/handle.h"
#include "platform/kernel/waiter.h"

namespace platform {

class WaitableTimer : public WaitableObject {
 public:
  // A manual-reset timer stays signalled after its due time until it is set again; an
  // auto-reset (synchronisation) timer releases one waiter per due time.
  explicit WaitableTimer(bool manualReset) : WaitableObject(manualReset, false) {}

  // Unsignals the timer and makes it due at the given time, then every period after it
  // (a zero period: once).
  void Set(SteadyTime due, std::chrono::milliseconds period);

  std::optional<SteadyTime> NextSelfSignal() override;

 private:
  void RefreshLocked(SteadyTime now) override;

  std::optional<SteadyTime> due_;  // guarded by mutex_
  std::chrono::milliseconds period_{0};
};

// A new timer's handle, not yet set; never 0.
Handle CreateWaitableTimer(bool manualReset);

// Sets the timer. dueTime counts 100-nanosecond units: negative values are relative to now
// (-500000 is 50 ms from now); positive ones are an absolute time, counted from 1 January 1601
// UTC, and one already past makes the timer due at once. Every value is taken: one further away
// than the clock reaches (some 290 years) makes a timer that never comes due. periodMs 0 sets it
// once. False when the handle names no open timer.
bool SetWaitableTimer(Handle timer, int64_t dueTime, int32_t periodMs);

}  // namespace platform
