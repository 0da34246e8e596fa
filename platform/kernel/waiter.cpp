#include "platform/kernel/waiter.h"

#include <algorithm>

namespace platform {

bool Waiter::Fire(int source) {
  std::lock_guard lock(mutex_);
  if (firedBy_ != kNotFired) return false;
  firedBy_ = source;
  fired_.notify_one();
  return true;
}

int Waiter::WaitUntil(std::optional<SteadyTime> deadline) {
  std::unique_lock lock(mutex_);
  while (firedBy_ == kNotFired) {
    if (!deadline) {
      fired_.wait(lock);
    } else if (fired_.wait_until(lock, *deadline) == std::cv_status::timeout) {
      break;
    }
  }
  return firedBy_;
}

int Waiter::Stop() {
  std::lock_guard lock(mutex_);
  if (firedBy_ == kNotFired) firedBy_ = kStopped;
  return firedBy_;
}

void Waiter::Rearm() {
  std::lock_guard lock(mutex_);
  firedBy_ = kNotFired;
}

bool WaitableObject::AcquireOrEnqueue(Waiter& waiter, int source) {
  std::lock_guard lock(mutex_);
  RefreshLocked(std::chrono::steady_clock::now());
  if (signalled_) {
    if (!manualReset_) signalled_ = false;
    return true;
  }
  waiters_.emplace_back(&waiter, source);
  return false;
}

void WaitableObject::Dequeue(Waiter& waiter) {
  std::lock_guard lock(mutex_);
  std::erase_if(waiters_, [&](const auto& entry) { return entry.first == &waiter; });
}

std::optional<SteadyTime> WaitableObject::NextSelfSignal() { return std::nullopt; }

void WaitableObject::Signal() {
  std::lock_guard lock(mutex_);
  SignalLocked();
}

void WaitableObject::SignalLocked() {
  if (manualReset_) {
    signalled_ = true;
    for (const auto& [waiter, source] : waiters_) waiter->Fire(source);
    waiters_.clear();
    return;
  }
  // The one signal goes to the first waiter that is still waiting; a waiter that something
  // else has woken in the meantime refuses it and leaves the queue.
  while (!waiters_.empty()) {
    auto [waiter, source] = waiters_.front();
    waiters_.erase(waiters_.begin());
    if (waiter->Fire(source)) return;
  }
  signalled_ = true;
}

void WaitableObject::Unsignal() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

}  // namespace platform
