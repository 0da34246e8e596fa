#include "platform/kernel/waitable_timer.h"

#include <limits>
#include <memory>

#include "platform/kernel/handle_table.h"

namespace platform {

void WaitableTimer::Set(SteadyTime due, std::chrono::milliseconds period) {
  std::lock_guard lock(mutex_);
  SetSignalledLocked(false);
  due_ = due;
  period_ = period;
}

std::optional<SteadyTime> WaitableTimer::NextSelfSignal() {
  std::lock_guard lock(mutex_);
  return due_;
}

void WaitableTimer::RefreshLocked(SteadyTime now) {
  if (!due_ || now < *due_) return;
  SignalLocked();
  if (period_.count() > 0) {
    while (*due_ <= now) *due_ += period_;
  } else {
    due_.reset();
  }
}

Handle CreateWaitableTimer(bool manualReset) {
  return HandleTable::Process().Insert(std::make_shared<WaitableTimer>(manualReset));
}

namespace {

using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;  // 100-ns units

// now + fromNow, held at the steady clock's end when the sum lies beyond it: a due time that far
// away never comes, where a sum that wrapped round would be due at once.
SteadyTime AfterNow(SteadyTime now, Ticks fromNow) {
  const Ticks room = std::chrono::duration_cast<Ticks>(SteadyTime::max() - now);
  if (fromNow >= room) return SteadyTime::max();
  return now + std::chrono::duration_cast<SteadyTime::duration>(fromNow);
}

}  // namespace

bool SetWaitableTimer(Handle timer, int64_t dueTime, int32_t periodMs) {
  std::shared_ptr<WaitableTimer> object = HandleTable::Process().FindAs<WaitableTimer>(timer);
  if (!object) return false;
  const SteadyTime now = std::chrono::steady_clock::now();
  SteadyTime due = now;
  if (dueTime < 0) {
    // -dueTime, except for the one value whose negation does not fit.
    due = AfterNow(now,
                   dueTime == std::numeric_limits<int64_t>::min() ? Ticks::max() : Ticks(-dueTime));
  } else {
    // From 1601 to 1970 are 11644473600 seconds.
    const auto unixDue = Ticks(dueTime) - std::chrono::seconds(11644473600);
    // In 100-ns units throughout: nanoseconds since 1601 would not fit in 64 bits.
    const Ticks fromNow = unixDue - std::chrono::duration_cast<Ticks>(
                                        std::chrono::system_clock::now().time_since_epoch());
    if (fromNow > Ticks::zero()) due = AfterNow(now, fromNow);
  }
  object->Set(due, std::chrono::milliseconds(periodMs > 0 ? periodMs : 0));
  return true;
}

}  // namespace platform
