// Faults that tests inject into thread creation, so that they can show what code does when a
// thread cannot be made, or when a thread has been made but has not yet begun its routine,
// without relying on timing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

struct ThreadCreationRequest {
  size_t stackSize = 0;  // as CreateThread was asked, before it applies the default
  uint32_t flags = 0;
};

// Every CreateThread of the process asks the filter first; false makes that creation fail as if
// the system had refused it. An empty filter (the start) lets every creation through. The
// filter runs on the creating thread.
void SetThreadCreationFilter(std::function<bool(const ThreadCreationRequest&)> filter);

// While a hold exists, every new thread stops before its routine until the hold is released or
// destroyed. Only one hold exists at a time.
class NewThreadHold {
 public:
  NewThreadHold();
  NewThreadHold(const NewThreadHold&) = delete;
  NewThreadHold& operator=(const NewThreadHold&) = delete;
  ~NewThreadHold();

  // Blocks until count threads are held.
  void WaitUntilHeld(int count);
  // Lets the held threads (and every later one) run their routines.
  void Release();
};

// What CreateThread and the thread's start use of the two faults.
namespace thread_faults {
bool CreationAllowed(const ThreadCreationRequest& request);
// Stops the calling new thread while a hold is in place. A cancellation point.
void PassHold();
}  // namespace thread_faults

}  // namespace platform
