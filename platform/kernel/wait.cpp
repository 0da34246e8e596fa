#include "platform/kernel/wait.h"

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "platform/kernel/handle_table.h"
#include "platform/kernel/waiter.h"
#include "platform/message_queue.h"

namespace platform {
namespace {

// Fires the wait's waiter when a message is posted to the thread's queue.
class MessageSource : public PostObserver {
 public:
  MessageSource(Waiter& waiter, int source) : waiter_(waiter), source_(source) {}
  void OnMessagePosted() override { waiter_.Fire(source_); }

 private:
  Waiter& waiter_;
  int source_;
};

// One round of a wait: the waiter enqueued on each source. Leaving the round, also by thread
// cancellation, takes it out of every queue, so that no source fires a waiter that is gone.
class Round {
 public:
  Round(Waiter& waiter, const std::vector<std::shared_ptr<WaitableObject>>& objects,
        MessageQueue* queue)
      : waiter_(waiter), objects_(objects), queue_(queue), messages_(waiter, objects.size()) {}
  Round(const Round&) = delete;
  Round& operator=(const Round&) = delete;
  ~Round() { Leave(); }

  // Enqueues the waiter; the number of an object or the message source that is ready now,
  // with an object's signal taken, or nothing.
  std::optional<int> Enter() {
    for (size_t i = 0; i < objects_.size(); ++i) {
      if (objects_[i]->AcquireOrEnqueue(waiter_, static_cast<int>(i))) {
        enqueued_ = i;
        return static_cast<int>(i);
      }
    }
    enqueued_ = objects_.size();
    if (queue_) {
      // Watch first, then look: a post in between fires the waiter, so none is missed.
      queue_->AddObserver(&messages_);
      watching_ = true;
      if (queue_->TakeNewMessageFlag()) return static_cast<int>(objects_.size());
    }
    return std::nullopt;
  }

  void Leave() {
    for (size_t i = 0; i < enqueued_; ++i) objects_[i]->Dequeue(waiter_);
    enqueued_ = 0;
    if (watching_) queue_->RemoveObserver(&messages_);
    watching_ = false;
  }

 private:
  Waiter& waiter_;
  const std::vector<std::shared_ptr<WaitableObject>>& objects_;
  MessageQueue* queue_;
  MessageSource messages_;
  size_t enqueued_ = 0;
  bool watching_ = false;
};

uint32_t WaitForAny(const std::vector<std::shared_ptr<WaitableObject>>& objects,
                    MessageQueue* queue, uint32_t timeoutMs) {
  std::optional<SteadyTime> deadline;
  if (timeoutMs != INFINITE) {
    deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  }
  const int messages = static_cast<int>(objects.size());
  Waiter waiter;
  for (;;) {
    int source = Waiter::kStopped;
    {
      Round round(waiter, objects, queue);
      if (std::optional<int> ready = round.Enter()) {
        source = *ready;
      } else {
        std::optional<SteadyTime> wakeAt = deadline;
        for (const auto& object : objects) {
          std::optional<SteadyTime> self = object->NextSelfSignal();
          if (self && (!wakeAt || *self < *wakeAt)) wakeAt = self;
        }
        waiter.WaitUntil(wakeAt);
        source = waiter.Stop();
      }
    }
    if (source == messages) {
      // A post that came while the wait ended is reported now too.
      queue->TakeNewMessageFlag();
      return WAIT_OBJECT_0 + static_cast<uint32_t>(messages);
    }
    if (source >= 0) return WAIT_OBJECT_0 + static_cast<uint32_t>(source);
    if (deadline && std::chrono::steady_clock::now() >= *deadline) return WAIT_TIMEOUT;
    // Woken for a timer's due time: look again.
    waiter.Rearm();
  }
}

}  // namespace

uint32_t WaitForSingleObject(Handle object, uint32_t timeoutMs) {
  return MsgWaitForMultipleObjects(1, &object, false, timeoutMs, 0);
}

uint32_t MsgWaitForMultipleObjects(uint32_t count, const Handle* handles, bool waitAll,
                                   uint32_t timeoutMs, uint32_t wakeMask) {
  if (waitAll) return WAIT_FAILED;
  std::vector<std::shared_ptr<WaitableObject>> objects;
  objects.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::shared_ptr<WaitableObject> object =
        HandleTable::Process().FindAs<WaitableObject>(handles[i]);
    if (!object) return WAIT_FAILED;
    objects.push_back(std::move(object));
  }
  MessageQueue* queue = nullptr;
  if (wakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) queue = &MessageQueue::OfCurrentThread();
  return WaitForAny(objects, queue, timeoutMs);
}

}  // namespace platform
