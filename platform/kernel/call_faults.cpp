#include "platform/kernel/call_faults.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace platform {
namespace {

struct Observer {
  std::atomic<bool> installed{false};
  std::mutex mutex;
  std::shared_ptr<const std::function<void(const KernelCall&)>> function;
};

Observer& TheObserver() {
  // Never destroyed: detached threads may make kernel calls while the process ends.
  static Observer* observer = new Observer;
  return *observer;
}

}  // namespace

void SetKernelCallObserver(std::function<void(const KernelCall&)> observer) {
  Observer& o = TheObserver();
  std::lock_guard lock(o.mutex);
  if (observer) {
    o.function =
        std::make_shared<const std::function<void(const KernelCall&)>>(std::move(observer));
    o.installed.store(true);
  } else {
    o.function.reset();
    o.installed.store(false);
  }
}

namespace call_faults {

void BeforeCall(const KernelCall& call) {
  Observer& o = TheObserver();
  if (!o.installed.load(std::memory_order_relaxed)) return;
  std::shared_ptr<const std::function<void(const KernelCall&)>> function;
  {
    std::lock_guard lock(o.mutex);
    function = o.function;
  }
  if (function) (*function)(call);
}

}  // namespace call_faults
}  // namespace platform
