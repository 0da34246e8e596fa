// The server's task queue: one thread per connection instead of a fixed pool, so that every
// client of a crawl (one connection per worker, 84 and more) is served at once and each
// request's latency runs in parallel with all the others.
#pragma once

#include <httplib.h>

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace sample_site {

class ConnectionThreads : public httplib::TaskQueue {
 public:
  ConnectionThreads() = default;
  ~ConnectionThreads() override { shutdown(); }
  ConnectionThreads(const ConnectionThreads&) = delete;
  ConnectionThreads& operator=(const ConnectionThreads&) = delete;

  // Runs `task` (one connection's whole life) on a new thread.
  void enqueue(std::function<void()> task) override;
  // Waits for every connection's thread to end.
  void shutdown() override;

 private:
  struct Worker {
    std::thread thread;
    std::atomic<bool> finished{false};
  };
  void JoinFinished();  // with mutex_ held

  std::mutex mutex_;
  std::list<std::unique_ptr<Worker>> workers_;
};

}  // namespace sample_site
