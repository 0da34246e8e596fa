#include "toolkit/sleep_pumping.h"

#include <cmath>
#include <limits>

#include "platform/event_pump.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/wait.h"
#include "platform/kernel/waitable_timer.h"
#include "runtime/process.h"

namespace {

// Every kind of input a thread may wait for.
constexpr uint32_t kAllInput = platform::QS_KEY | platform::QS_MOUSEMOVE |
                               platform::QS_MOUSEBUTTON | platform::QS_POSTMESSAGE |
                               platform::QS_TIMER | platform::QS_PAINT | platform::QS_SENDMESSAGE |
                               platform::QS_HOTKEY;
// How long one look at the window system's events may wait on the main thread.
constexpr uint32_t kEventPollMs = 10;

int64_t MultiplierMs(std::optional<int64_t> unit) {
  switch (unit.value_or(0)) {
    case 0:
      return 1;
    case 1:
      return 1000;
    case 2:
      return 60000;
    case 3:
      return 3600000;
    default:
      return *unit;
  }
}

// The due time in 100-nanosecond units, negative for "from now". A product beyond the 64-bit
// range is held at its end rather than converted with undefined behaviour.
int64_t RelativeDueTime(int32_t amount, int64_t multiplier) {
  const double due =
      std::trunc(static_cast<double>(amount) * static_cast<double>(multiplier) * -10000.0);
  constexpr double kLimit = 9.2e18;  // just inside the 64-bit range
  if (due >= kLimit) return std::numeric_limits<int64_t>::max();
  if (due <= -kLimit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(due);
}

}  // namespace

int32_t SleepPumping(int32_t amount, std::optional<int64_t> unit) {
  const platform::Handle timer = platform::CreateWaitableTimer(false);
  platform::SetWaitableTimer(timer, RelativeDueTime(amount, MultiplierMs(unit)), 0);
  const uint32_t slice =
      platform::CurrentThreadEventPump() != nullptr ? kEventPollMs : platform::INFINITE;
  for (;;) {
    const uint32_t result = platform::MsgWaitForMultipleObjects(1, &timer, false, slice, kAllInput);
    if (result == platform::WAIT_OBJECT_0) break;
    // A timer that cannot be waited for would never fire, and the loop would process events
    // for ever; the kernel layer always makes one, so this ends only a call gone wrong.
    if (result == platform::WAIT_FAILED) break;
    CmdProcessEvents();
  }
  platform::CloseHandle(timer);
  return 1;
}
