// Every thread has a message queue, made when the thread first uses it, as on Windows. Other
// threads post to it by thread id; the owner dispatches what is waiting with
// DispatchPendingMessages. A message may carry a handler, which dispatch runs on the owning
// thread: that is how work is handed to a particular thread.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

using ThreadId = pid_t;

inline constexpr uint32_t kQuitMessage = 0x0012;

struct Message {
  uint32_t id = 0;
  intptr_t wParam = 0;
  intptr_t lParam = 0;
  std::function<void()> handler;
};

// Told of every message posted to a queue that it watches: how a wait on the queue (the kernel
// layer's MsgWaitForMultipleObjects) learns that a message has come.
class PostObserver {
 public:
  // Runs on the posting thread with the queue's lock held, so it must not use the queue.
  virtual void OnMessagePosted() = 0;

 protected:
  ~PostObserver() = default;
};

class MessageQueue {
 public:
  MessageQueue() = default;
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // The calling thread's queue, made on first use.
  static MessageQueue& OfCurrentThread();
  // The queue of a thread that has one and is still running; null otherwise.
  static std::shared_ptr<MessageQueue> OfThread(ThreadId thread);

  void Post(Message message);

  // Removes and returns the first message, unless the queue is empty or that message is a quit
  // message, which stays in the queue.
  std::optional<Message> TakeUnlessQuit();

  bool Empty() const;

  // True when a message was posted since the last call; the owner uses it to tell new messages
  // from ones it has already seen (a quit left in the queue is not new).
  bool TakeNewMessageFlag();

  // The observer is told of every post from now on, until RemoveObserver has returned; no call
  // to it is in progress after that.
  void AddObserver(PostObserver* observer);
  void RemoveObserver(PostObserver* observer);

 private:
  mutable std::mutex mutex_;
  std::deque<Message> messages_;
  bool newMessages_ = false;
  std::vector<PostObserver*> observers_;
};

ThreadId CurrentThreadId();

// False when the thread has no queue (it has never used one, or it has ended).
bool PostThreadMessage(ThreadId thread, Message message);

// Dispatches the calling thread's waiting messages one after another until the queue is empty
// or its next message is a quit message.
void DispatchPendingMessages();

}  // namespace platform
