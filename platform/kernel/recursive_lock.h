// Critical sections: a lock within the process that one thread owns at a time. The owner may
// enter it again and leaves it as often as it entered.
#pragma once

#include <mutex>

namespace platform {

class RecursiveLock {
 public:
  RecursiveLock() = default;
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  // Returns once the calling thread owns the lock.
  void Enter() { mutex_.lock(); }
  // The caller must own the lock; after as many leaves as enters, another thread can have it.
  void Leave() { mutex_.unlock(); }
  // Never waits: true when the calling thread owns the lock now (also when it owned it
  // already), false when another thread owns it.
  bool TryEnter() { return mutex_.try_lock(); }

 private:
  std::recursive_mutex mutex_;
};

}  // namespace platform
