#include "platform/message_queue.h"

#include <unistd.h>

#include <unordered_map>

namespace platform {
namespace {

// Queues by thread. Looked up only when posting, which is rare next to the work a message
// does, so one lock is enough here.
class QueueRegistry {
 public:
  void Add(ThreadId thread, std::shared_ptr<MessageQueue> queue) {
    std::lock_guard lock(mutex_);
    queues_[thread] = std::move(queue);
  }
  void Remove(ThreadId thread) {
    std::lock_guard lock(mutex_);
    queues_.erase(thread);
  }
  std::shared_ptr<MessageQueue> Find(ThreadId thread) {
    std::lock_guard lock(mutex_);
    auto found = queues_.find(thread);
    return found == queues_.end() ? nullptr : found->second;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<ThreadId, std::shared_ptr<MessageQueue>> queues_;
};

QueueRegistry& Registry() {
  // Never destroyed: threads may still post while the process ends.
  static QueueRegistry* registry = new QueueRegistry;
  return *registry;
}

// Owns the thread's queue and takes it out of the registry when the thread ends.
struct ThreadQueueHolder {
  ThreadQueueHolder() : thread(CurrentThreadId()), queue(std::make_shared<MessageQueue>()) {
    Registry().Add(thread, queue);
  }
  ~ThreadQueueHolder() { Registry().Remove(thread); }
  ThreadId thread;
  std::shared_ptr<MessageQueue> queue;
};

}  // namespace

ThreadId CurrentThreadId() {
  thread_local const ThreadId id = ::gettid();
  return id;
}

MessageQueue& MessageQueue::OfCurrentThread() {
  thread_local ThreadQueueHolder holder;
  return *holder.queue;
}

std::shared_ptr<MessageQueue> MessageQueue::OfThread(ThreadId thread) {
  return Registry().Find(thread);
}

void MessageQueue::Post(Message message) {
  std::lock_guard lock(mutex_);
  messages_.push_back(std::move(message));
  newMessages_ = true;
  for (PostObserver* observer : observers_) observer->OnMessagePosted();
}

void MessageQueue::AddObserver(PostObserver* observer) {
  std::lock_guard lock(mutex_);
  observers_.push_back(observer);
}

void MessageQueue::RemoveObserver(PostObserver* observer) {
  std::lock_guard lock(mutex_);
  std::erase(observers_, observer);
}

std::optional<Message> MessageQueue::TakeUnlessQuit() {
  std::lock_guard lock(mutex_);
  if (messages_.empty() || messages_.front().id == kQuitMessage) return std::nullopt;
  Message message = std::move(messages_.front());
  messages_.pop_front();
  return message;
}

bool MessageQueue::Empty() const {
  std::lock_guard lock(mutex_);
  return messages_.empty();
}

bool MessageQueue::TakeNewMessageFlag() {
  std::lock_guard lock(mutex_);
  bool wasNew = newMessages_;
  newMessages_ = false;
  return wasNew;
}

bool PostThreadMessage(ThreadId thread, Message message) {
  std::shared_ptr<MessageQueue> queue = MessageQueue::OfThread(thread);
  if (!queue) return false;
  queue->Post(std::move(message));
  return true;
}

void DispatchPendingMessages() {
  MessageQueue& queue = MessageQueue::OfCurrentThread();
  while (std::optional<Message> message = queue.TakeUnlessQuit()) {
    if (message->handler) message->handler();
  }
}

}  // namespace platform
