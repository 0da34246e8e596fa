// The main thread of the window framework, and how other threads hand work to it.
//
// Work reaches the main thread as messages in its platform message queue, which the window
// system's event loop serves: a post to that queue wakes the loop. A thread that needs an
// answer waits on a Reply that the main thread completes, or that is abandoned when the program
// ends, so no thread waits for a main thread that has stopped serving.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

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

// Runs ask on the main thread with a reply for it to complete (now or later, as a box does when
// it is answered) and waits for the answer; nothing when the program ends first or there is no
// main thread. Not for the main thread itself, which would wait for itself.
template <typename T>
std::optional<T> AskMainThread(std::function<void(const std::shared_ptr<Reply<T>>&)> ask) {
  auto reply = std::make_shared<Reply<T>>();
  if (!RegisterWaitingCall(reply)) return std::nullopt;
  if (!PostToMainThread([reply, ask = std::move(ask)] { ask(reply); })) return std::nullopt;
  return reply->Wait();
}

}  // namespace window_framework
