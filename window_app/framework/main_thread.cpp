#include "window_app/framework/main_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <atomic>
#include <vector>

#include "platform/event_pump.h"
#include "platform/message_queue.h"

namespace window_framework {
namespace {

std::atomic<platform::ThreadId> mainThread{0};

// Lives on the main thread; an event to it dispatches the main thread's queue.
class QueueDispatcher : public QObject {
 public:
  static QEvent::Type EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  bool event(QEvent* event) override {
    if (event->type() != EventType()) return QObject::event(event);
    wakePending.store(false);  // before dispatching, so that a later post wakes again
    // A bounded batch, then back to the window system: threads that post faster than the main
    // thread carries out their work must not starve its input, paint and timer events.
    platform::MessageQueue& queue = platform::MessageQueue::OfCurrentThread();
    for (int i = 0; i < kBatch; ++i) {
      std::optional<platform::Message> message = queue.TakeUnlessQuit();
      if (!message) return true;
      if (message->handler) message->handler();
    }
    Wake();
    return true;
  }
  // Asks the event loop to dispatch the queue, unless it has been asked already.
  void Wake() {
    // Events posted while the loop delivers posted events wait for its next pass, so this
    // does not run again before the window system's events have had their turn.
    if (!wakePending.exchange(true)) {
      QCoreApplication::postEvent(this, new QEvent(EventType()));
    }
  }
  static constexpr int kBatch = 64;
  std::atomic<bool> wakePending{false};
};

QueueDispatcher* dispatcher = nullptr;

// Told of every post to the main thread's queue, on the posting thread: wakes the event loop
// once for everything posted until the dispatcher has run.
class LoopWaker final : public platform::PostObserver {
 public:
  void OnMessagePosted() override { dispatcher->Wake(); }
};

void ProcessWindowSystemEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

struct WaitingCalls {
  std::mutex mutex;
  std::vector<std::weak_ptr<WaitingCall>> calls;
  bool abandoned = false;
};

WaitingCalls& Waiting() {
  static WaitingCalls* waiting = new WaitingCalls;  // used by threads until the process ends
  return *waiting;
}

}  // namespace

void BecomeMainThread() {
  if (mainThread.load() != 0) return;
  dispatcher = new QueueDispatcher;  // lives as long as the process
  static LoopWaker waker;
  platform::MessageQueue::OfCurrentThread().AddObserver(&waker);
  platform::SetCurrentThreadEventPump(&ProcessWindowSystemEvents);
  mainThread.store(platform::CurrentThreadId());
}

bool OnMainThread() {
  const platform::ThreadId main = mainThread.load();
  return main != 0 && main == platform::CurrentThreadId();
}

bool PostToMainThread(std::function<void()> work) {
  const platform::ThreadId main = mainThread.load();
  if (main == 0) return false;
  return platform::PostThreadMessage(main, {.handler = std::move(work)});
}

bool RegisterWaitingCall(const std::shared_ptr<WaitingCall>& call) {
  WaitingCalls& waiting = Waiting();
  {
    std::lock_guard lock(waiting.mutex);
    if (!waiting.abandoned) {
      std::erase_if(waiting.calls, [](const auto& weak) { return weak.expired(); });
      waiting.calls.push_back(call);
      return true;
    }
  }
  call->Abandon();
  return false;
}

void AbandonWaitingCalls() {
  std::vector<std::weak_ptr<WaitingCall>> calls;
  {
    std::lock_guard lock(Waiting().mutex);
    Waiting().abandoned = true;
    calls.swap(Waiting().calls);
  }
  for (const auto& weak : calls) {
    if (std::shared_ptr<WaitingCall> call = weak.lock()) call->Abandon();
  }
}

bool WaitingCallsAbandoned() {
  std::lock_guard lock(Waiting().mutex);
  return Waiting().abandoned;
}

void AcceptWaitingCalls() {
  std::lock_guard lock(Waiting().mutex);
  Waiting().abandoned = false;
}

}  // namespace window_framework
