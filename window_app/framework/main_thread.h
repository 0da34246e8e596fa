// The main thread of the window framework, and the one way from any thread to its widgets.
//
// RunOnMainThread and AskMainThread decide by the calling thread, as a queued-or-direct call
// does: on the main thread the work runs at once; another thread hands it to the main thread as
// a message in its platform message queue, which the window system's event loop serves (a post
// to that queue wakes the loop). A thread that needs an answer waits on a Reply that the main
// thread completes, or that is abandoned when the program ends, so no thread waits for a main
// thread that has stopped serving.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace window_framework {

// Makes the calling thread the main thread: its queue wakes the window system's event loop, and
// its CmdProcessEvents processes the window system's events too. Needs the application object.
void BecomeMainThread();
bool OnMainThread();

// Hands the work to the main thread; false (the work dropped) when there is none yet.
bool PostToMainThread(std::function<void()> work);

class WaitingCall {
 public:
  virtual void Abandon() = 0;

 protected:
  ~WaitingCall() = default;
};

// One answer from the main thread. The first completion counts; abandoning completes it with
// no value.
template <typename T>
class Reply final : public WaitingCall {
 public:
  bool Complete(std::optional<T> value) {
    std::lock_guard lock(mutex_);
    if (done_) return false;
    done_ = true;
    value_ = std::move(value);
    answered_.notify_all();
    return true;
  }
  void Abandon() override { Complete(std::nullopt); }
  std::optional<T> Wait() {
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [this] { return done_; });
    return value_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable answered_;
  bool done_ = false;
  std::optional<T> value_;
};

// Keeps the call to be abandoned when the program ends; false, and the call abandoned at once,
// when it has ended already.
bool RegisterWaitingCall(const std::shared_ptr<WaitingCall>& call);
// The program's windows are gone: abandons every waiting call and each one registered later.
void AbandonWaitingCalls();
// True from AbandonWaitingCalls until AcceptWaitingCalls.
bool WaitingCallsAbandoned();
// A window has been loaded (again): calls wait for the main thread once more.
void AcceptWaitingCalls();

// Runs the work at once on the main thread; from another thread hands it to the main thread and
// returns without waiting. What one thread hands over runs in the order it was handed over, and
// before anything that thread asks of the main thread afterwards. Dropped when there is no main
// thread yet.
template <typename Work>
void RunOnMainThread(Work work) {
  if (OnMainThread()) {
    work();
    return;
  }
  PostToMainThread(std::move(work));
}

// The main thread's answer, waited for. On the main thread, onMainThread gives it at once (a box
// there runs its own wait). From another thread, forAnotherThread runs on the main thread with a
// reply to complete, now or later as a box does when it is answered, and the calling thread
// waits for that. Nothing, on any thread, once the program's windows are gone (until a window is
// loaded again), and nothing when there is no main thread.
template <typename T>
std::optional<T> AskMainThread(
    std::function<T()> onMainThread,
    std::function<void(const std::shared_ptr<Reply<T>>&)> forAnotherThread) {
  if (OnMainThread()) {
    if (WaitingCallsAbandoned()) return std::nullopt;
    return onMainThread();
  }
  auto reply = std::make_shared<Reply<T>>();
  if (!RegisterWaitingCall(reply)) return std::nullopt;
  if (!PostToMainThread([reply, ask = std::move(forAnotherThread)] { ask(reply); })) {
    return std::nullopt;
  }
  return reply->Wait();
}

// The same, for work whose answer is there as soon as it has run, on whichever thread.
template <typename T>
std::optional<T> AskMainThread(std::function<T()> work) {
  return AskMainThread<T>(
      work, [work](const std::shared_ptr<Reply<T>>& reply) { reply->Complete(work()); });
}

}  // namespace window_framework
