// Posts 100,000 empty tasks to a pool of 8 workers and prints the tasks per second and the
// median time from a post to the start of its task, beside a minimal mutex + condition-variable
// queue with 8 threads measured in the same run. Run by hand; not part of the test suite.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "threadkit/instance.h"
#include "threadkit/thread_pool.h"

namespace {

constexpr int32_t kTasks = 100000;
constexpr int32_t kWorkers = 8;
constexpr int kRounds = 3;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Filled by the posting thread and the tasks: each slot is written by one thread only.
std::vector<int64_t> postedAt(kTasks);
std::vector<int64_t> startedAt(kTasks);
std::atomic<int32_t> done{0};

void EmptyTask(int32_t argument, int32_t) {
  startedAt[argument] = NowNs();
  done.fetch_add(1, std::memory_order_release);
}

struct Figures {
  double tasksPerSecond;
  double medianLatencyUs;
};

Figures Summarise(int64_t begin, int64_t end) {
  std::vector<int64_t> latency(kTasks);
  for (int32_t i = 0; i < kTasks; ++i) latency[i] = startedAt[i] - postedAt[i];
  std::nth_element(latency.begin(), latency.begin() + kTasks / 2, latency.end());
  return {kTasks / ((end - begin) / 1e9), latency[kTasks / 2] / 1e3};
}

void AwaitAllDone() {
  while (done.load(std::memory_order_acquire) != kTasks) std::this_thread::yield();
}

Figures MeasurePool() {
  Instance<ThreadPool> pool;
  if (!ThreadPool::Create(pool.Cell(), {.initialThreads = kWorkers, .maxThreads = kWorkers})) {
    std::fprintf(stderr, "the pool could not be created\n");
    std::exit(1);
  }
  done = 0;
  const int64_t begin = NowNs();
  for (int32_t i = 0; i < kTasks; ++i) {
    postedAt[i] = NowNs();
    ThreadPool::Post(pool.Cell(), EmptyTask, i);
  }
  AwaitAllDone();
  const int64_t end = NowNs();
  ThreadPool::Destroy(pool.Cell());
  return Summarise(begin, end);
}

// The baseline: the smallest queue that does the same job.
class MutexQueue {
 public:
  struct Task {
    TaskRoutine routine;
    int32_t argument;
    int32_t key;
  };

  explicit MutexQueue(int threads) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~MutexQueue() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    available_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  void Post(Task task) {
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(task);
    }
    available_.notify_one();
  }

 private:
  void Work() {
    for (;;) {
      Task task;
      {
        std::unique_lock lock(mutex_);
        available_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        if (tasks_.empty()) return;
        task = tasks_.front();
        tasks_.pop_front();
      }
      task.routine(task.argument, task.key);
    }
  }

  std::mutex mutex_;
  std::condition_variable available_;
  std::deque<Task> tasks_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

Figures MeasureBaseline() {
  MutexQueue queue(kWorkers);
  done = 0;
  const int64_t begin = NowNs();
  for (int32_t i = 0; i < kTasks; ++i) {
    postedAt[i] = NowNs();
    queue.Post({EmptyTask, i, 0});
  }
  AwaitAllDone();
  const int64_t end = NowNs();
  return Summarise(begin, end);
}

}  // namespace

int main() {
  std::printf("%d empty tasks, %d workers, %d rounds\n", kTasks, kWorkers, kRounds);
  std::printf("%-8s %-22s %14s %22s\n", "round", "queue", "tasks/s", "median latency (us)");
  double poolBest = 0;
  double baselineBest = 0;
  for (int round = 1; round <= kRounds; ++round) {
    const Figures pool = MeasurePool();
    const Figures baseline = MeasureBaseline();
    std::printf("%-8d %-22s %14.0f %22.1f\n", round, "ThreadPool", pool.tasksPerSecond,
                pool.medianLatencyUs);
    std::printf("%-8d %-22s %14.0f %22.1f\n", round, "mutex + condition var",
                baseline.tasksPerSecond, baseline.medianLatencyUs);
    poolBest = std::max(poolBest, pool.tasksPerSecond);
    baselineBest = std::max(baselineBest, baseline.tasksPerSecond);
  }
  std::printf("best throughput: ThreadPool %.0f/s, baseline %.0f/s, ratio %.2f (target >= 0.50)\n",
              poolBest, baselineBest, poolBest / baselineBest);
  return 0;
}
