// Two messages for a thread that is about to wait while it serves its queue (a pause, a delay):
// the first is posted now and runs inside the wait; it has another thread post the second and
// waits until it has, so the second arrives while the wait is under way. No clock decides it.
#pragma once

#include <thread>

#include "platform/message_queue.h"

class MessageDuringWait {
 public:
  // The waiter's queue must exist; the calling thread may be the waiter.
  explicit MessageDuringWait(platform::ThreadId waiter) {
    platform::PostThreadMessage(waiter, {.handler = [this, waiter] {
                                  firstRan_ = true;
                                  std::thread([this, waiter] { PostSecond(waiter); }).join();
                                }});
  }
  MessageDuringWait(const MessageDuringWait&) = delete;
  MessageDuringWait& operator=(const MessageDuringWait&) = delete;

  // Read on the waiter's thread, which runs both handlers.
  bool FirstRan() const { return firstRan_; }
  bool SecondRan() const { return secondRan_; }

 private:
  void PostSecond(platform::ThreadId waiter) {
    platform::PostThreadMessage(waiter, {.handler = [this] { secondRan_ = true; }});
  }

  bool firstRan_ = false;
  bool secondRan_ = false;
};
