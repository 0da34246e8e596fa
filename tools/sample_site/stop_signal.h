// A one-way signal that sleeping responses wait on, so that stopping the site never waits out
// a latency, a stall or a trickle.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace sample_site {

class StopSignal {
 public:
  void Raise() {
    {
      std::lock_guard lock(mutex_);
      raised_ = true;
    }
    raisedEvent_.notify_all();
  }

  // Sleeps for `duration` (zero or less: until raised); true when the signal was raised.
  bool WaitFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    if (duration <= std::chrono::milliseconds::zero()) {
      raisedEvent_.wait(lock, [&] { return raised_; });
      return true;
    }
    return raisedEvent_.wait_for(lock, duration, [&] { return raised_; });
  }

  bool Raised() {
    std::lock_guard lock(mutex_);
    return raised_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable raisedEvent_;
  bool raised_ = false;
};

}  // namespace sample_site
