// What the waits are made of: a Waiter, which one thread blocks on, and WaitableObject, the base
// of every object a wait can name (events, timers, threads).
//
// A wait on several sources (objects, the thread's message queue) makes one Waiter, enqueues it
// on every source and blocks on it; the first source to fire it wins and every later fire is
// refused. A source that consumes something when it fires a waiter (an auto-reset event gives
// its one signal away) consumes it only when its fire is accepted, so a signal is never lost to
// a waiter that has already been woken by something else; it goes to the next waiter, or stays.
//
// Locks are taken in one order only: a source's lock, then the waiter's. A waiter never calls a
// source while it holds its own lock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/kernel/kernel_object.h"

namespace platform {

using SteadyTime = std::chrono::steady_clock::time_point;

class Waiter {
 public:
  // Source numbers are the caller's: the wait uses the object's place in its list.
  static constexpr int kNotFired = -1;
  // The number the waiting thread fires its own waiter with when it stops waiting.
  static constexpr int kStopped = -2;

  Waiter() = default;
  Waiter(const Waiter&) = delete;
  Waiter& operator=(const Waiter&) = delete;

  // Fires the waiter on behalf of source, unless it has fired already. True when this call
  // fired it; the caller then hands over whatever the fire stands for.
  bool Fire(int source);

  // Blocks until the waiter fires or the deadline passes (none: no limit). Returns the source
  // that fired it, or kNotFired. A cancellation point of the thread.
  int WaitUntil(std::optional<SteadyTime> deadline);

  // Ends the wait: fires the waiter with kStopped unless a source fired it first, so that no
  // source can fire it from now on. Returns the source that fired it (kStopped when none did).
  int Stop();

  // Makes a stopped waiter ready for another round of the same wait.
  void Rearm();

 private:
  std::mutex mutex_;
  std::condition_variable fired_;
  int firedBy_ = kNotFired;
};

// An object with a signal state and a queue of waiters. Manual-reset objects stay signalled and
// release every waiter; auto-reset objects release one waiter per signal and are unsignalled
// again by that release.
class WaitableObject : public KernelObject {
 public:
  // When the object is signalled, takes the signal (an auto-reset object unsignals) and returns
  // true; the waiter is not enqueued. Otherwise enqueues the waiter, to be fired with source.
  bool AcquireOrEnqueue(Waiter& waiter, int source);

  // Takes the waiter out of the queue. Once it returns, the object no longer fires it.
  void Dequeue(Waiter& waiter);

  // The time at which the object will become signalled by itself (a timer's due time), if any.
  // Waiters on such objects wake up then to look again.
  virtual std::optional<SteadyTime> NextSelfSignal();

 protected:
  WaitableObject(bool manualReset, bool signalled)
      : manualReset_(manualReset), signalled_(signalled) {}

  // Signals the object: fires the waiters a signal releases, or leaves the object signalled.
  void Signal();
  // Unsignals the object.
  void Unsignal();

  // Lets an object that signals itself (a timer) bring its state up to date; called with
  // mutex_ held before the state is looked at.
  virtual void RefreshLocked(SteadyTime now) { (void)now; }

  // Signals or unsignals with mutex_ held.
  void SignalLocked();
  void SetSignalledLocked(bool signalled) { signalled_ = signalled; }

  std::mutex mutex_;

 private:
  const bool manualReset_;
  bool signalled_;
  std::vector<std::pair<Waiter*, int>> waiters_;  // in arrival order
};

}  // namespace platform
