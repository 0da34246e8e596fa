#include "tools/sample_site/connection_threads.h"

namespace sample_site {

void ConnectionThreads::enqueue(std::function<void()> task) {
  std::lock_guard lock(mutex_);
  JoinFinished();  // so that a long run does not keep a thread object per past connection
  auto worker = std::make_unique<Worker>();
  Worker* raw = worker.get();
  worker->thread = std::thread([raw, task = std::move(task)] {
    task();
    raw->finished.store(true, std::memory_order_release);
  });
  workers_.push_back(std::move(worker));
}

void ConnectionThreads::JoinFinished() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if ((*it)->finished.load(std::memory_order_acquire)) {
      (*it)->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

void ConnectionThreads::shutdown() {
  std::list<std::unique_ptr<Worker>> workers;
  {
    std::lock_guard lock(mutex_);
    workers.swap(workers_);
  }
  for (auto& worker : workers) worker->thread.join();
}

}  // namespace sample_site
