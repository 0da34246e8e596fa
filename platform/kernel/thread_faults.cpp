#include "platform/kernel/thread_faults.h"

#include <condition_variable>
#include <mutex>

namespace platform {
namespace {

struct Faults {
  std::mutex mutex;
  std::function<bool(const ThreadCreationRequest&)> filter;
  std::condition_variable changed;
  bool holding = false;
  int held = 0;
};

Faults& TheFaults() {
  // Never destroyed: detached threads may pass the hold while the process ends.
  static Faults* faults = new Faults;
  return *faults;
}

}  // namespace

void SetThreadCreationFilter(std::function<bool(const ThreadCreationRequest&)> filter) {
  std::lock_guard lock(TheFaults().mutex);
  TheFaults().filter = std::move(filter);
}

NewThreadHold::NewThreadHold() {
  std::lock_guard lock(TheFaults().mutex);
  TheFaults().holding = true;
}

NewThreadHold::~NewThreadHold() { Release(); }

void NewThreadHold::WaitUntilHeld(int count) {
  Faults& faults = TheFaults();
  std::unique_lock lock(faults.mutex);
  while (faults.held < count) faults.changed.wait(lock);
}

void NewThreadHold::Release() {
  Faults& faults = TheFaults();
  std::lock_guard lock(faults.mutex);
  faults.holding = false;
  faults.changed.notify_all();
}

namespace thread_faults {

bool CreationAllowed(const ThreadCreationRequest& request) {
  Faults& faults = TheFaults();
  std::function<bool(const ThreadCreationRequest&)> filter;
  {
    std::lock_guard lock(faults.mutex);
    filter = faults.filter;
  }
  return !filter || filter(request);
}

void PassHold() {
  Faults& faults = TheFaults();
  std::unique_lock lock(faults.mutex);
  if (!faults.holding) return;
  ++faults.held;
  faults.changed.notify_all();
  // Counted out again also when the thread is cancelled while it is held.
  struct Unhold {
    Faults& faults;
    ~Unhold() { --faults.held; }
  } unhold{faults};
  while (faults.holding) faults.changed.wait(lock);
}

}  // namespace thread_faults
}  // namespace platform
