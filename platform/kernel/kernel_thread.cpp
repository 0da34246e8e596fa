#include "platform/kernel/kernel_thread.h"

#include <linux/futex.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/kernel/handle_table.h"
#include "platform/kernel/thread_faults.h"
#include "platform/kernel/waiter.h"

namespace platform {
namespace {

// The signal that parks a suspended thread. glibc keeps the first real-time signals for itself;
// SIGRTMIN already counts past them.
int ParkSignal() { return SIGRTMIN + 4; }

void FutexWait(std::atomic<int32_t>& word, int32_t expected) {
  syscall(SYS_futex, reinterpret_cast<int32_t*>(&word), FUTEX_WAIT_PRIVATE, expected, nullptr,
          nullptr, 0);
}

void FutexWakeAll(std::atomic<int32_t>& word) {
  syscall(SYS_futex, reinterpret_cast<int32_t*>(&word), FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr,
          nullptr, 0);
}

size_t DefaultStackSize() {
  static const size_t size = [] {
    size_t bytes = 8u << 20;
    pthread_attr_t attr;
    if (pthread_getattr_default_np(&attr) == 0) {
      pthread_attr_getstacksize(&attr, &bytes);
      pthread_attr_destroy(&attr);
    }
    return bytes;
  }();
  return size;
}

// How far each priority level moves a thread's nice value from the process's own, highest
// priority first.
struct PriorityLevel {
  int32_t level;
  int niceOffset;
};
constexpr std::array<PriorityLevel, 7> kPriorityLevels{{
    {THREAD_PRIORITY_TIME_CRITICAL, -20},
    {THREAD_PRIORITY_HIGHEST, -10},
    {THREAD_PRIORITY_ABOVE_NORMAL, -5},
    {THREAD_PRIORITY_NORMAL, 0},
    {THREAD_PRIORITY_BELOW_NORMAL, 5},
    {THREAD_PRIORITY_LOWEST, 10},
    {THREAD_PRIORITY_IDLE, 19},
}};

// The nice value that the levels count from: the main thread's when this layer first looks,
// which is the niceness the process was started with. It is read once: on Linux a process's
// nice value is its main thread's alone (renicing the process moves no other thread), so a
// later change there must not shift what every other thread's level reads.
int ProcessNice() {
  static const int nice = [] {
    errno = 0;
    int value = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    if (value == -1 && errno != 0) value = getpriority(PRIO_PROCESS, 0);  // the main thread ended
    return value;
  }();
  return nice;
}

// The nice value of a level, within the range the kernel keeps (near its ends several levels
// share one value).
int NiceOf(const PriorityLevel& level) {
  return std::clamp(ProcessNice() + level.niceOffset, -20, 19);
}

// The entry of a level; null for a value that is no level.
const PriorityLevel* FindLevel(int32_t priority) {
  auto level = std::find_if(kPriorityLevels.begin(), kPriorityLevels.end(),
                            [&](const PriorityLevel& l) { return l.level == priority; });
  return level == kPriorityLevels.end() ? nullptr : &*level;
}

class KernelThread;
thread_local KernelThread* currentThread = nullptr;

// The kernel object of one thread: signalled (manual reset) once the thread has ended.
class KernelThread : public WaitableObject {
 public:
  KernelThread(ThreadStartRoutine routine, intptr_t parameter, bool suspended)
      : WaitableObject(true, false),
        routine_(routine),
        parameter_(parameter),
        suspendCount_(suspended ? 1 : 0) {}

  // Runs on the new thread: everything from its start to its end.
  void Run() {
    currentThread = this;
    {
      std::lock_guard lock(stateMutex_);
      tid_ = CurrentThreadId();
      started_ = true;
    }
    startChanged_.notify_all();
    // Ends the thread's life as an object on every way out: the routine's return, or the
    // unwinding of a cancellation (whose exit code is the one TerminateThread was given).
    struct End {
      KernelThread& thread;
      bool returned = false;
      uint32_t exitCode = 0;
      ~End() {
        // A parking signal that comes from now on stays pending until the thread is gone: a
        // thread that has begun to end is never parked, and the handler never reaches this
        // object after it has been freed.
        sigset_t park;
        sigemptyset(&park);
        sigaddset(&park, ParkSignal());
        pthread_sigmask(SIG_BLOCK, &park, nullptr);
        thread.Finish(returned ? exitCode : thread.terminateCode_.load());
      }
    } end{*this};
    thread_faults::PassHold();
    ParkWhileSuspended();
    pthread_testcancel();
    end.exitCode = routine_(parameter_);
    end.returned = true;
  }

  // Runs on the creating thread once pthread_create has succeeded: the object learns its thread
  // and waits until the thread has started, so that every call on the handle finds it set up.
  ThreadId AwaitStart(pthread_t thread) {
    std::unique_lock lock(stateMutex_);
    pthread_ = thread;
    while (!started_) startChanged_.wait(lock);
    return tid_;
  }

  // Parks the calling thread (this object's own) while its suspend count is above 0.
  // Async-signal-safe: the parking signal's handler calls it.
  void ParkWhileSuspended() {
    for (;;) {
      const int32_t count = suspendCount_.load();
      if (count <= 0) return;
      FutexWait(suspendCount_, count);
    }
  }

  uint32_t ExitCode() const { return exitCode_.load(); }

  ThreadId Id() {
    std::lock_guard lock(stateMutex_);
    return tid_;
  }

  int32_t Suspend() {
    std::unique_lock lock(stateMutex_);
    if (finished_) return -1;
    const int32_t before = suspendCount_.fetch_add(1);
    if (before == 0) {
      if (pthread_equal(pthread_, pthread_self())) {
        // Parked right here by the handler: the lock must not be held then.
        lock.unlock();
        ParkWhileSuspended();
      } else {
        pthread_kill(pthread_, ParkSignal());
      }
    }
    return before;
  }

  int32_t Resume() {
    std::lock_guard lock(stateMutex_);
    if (finished_) return -1;
    const int32_t before = suspendCount_.load();
    if (before > 0) {
      suspendCount_.store(before - 1);
      if (before == 1) FutexWakeAll(suspendCount_);
    }
    return before;
  }

  bool Terminate(uint32_t exitCode) {
    std::lock_guard lock(stateMutex_);
    if (finished_) return false;
    terminateCode_.store(exitCode);
    if (pthread_cancel(pthread_) != 0) return false;
    // A parked thread is let go, after the cancellation is pending, so that it meets it at its
    // next cancellation point (a thread created suspended, right before its routine).
    suspendCount_.store(0);
    FutexWakeAll(suspendCount_);
    return true;
  }

  int32_t Priority() {
    std::lock_guard lock(stateMutex_);
    if (finished_) return THREAD_PRIORITY_ERROR_RETURN;
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid_));
    if (nice == -1 && errno != 0) return THREAD_PRIORITY_ERROR_RETURN;
    // The level last set, while the nice value is still its own: levels that share a value
    // read back as set. A value changed from outside reads as the nearest level.
    if (nice == NiceOf(*FindLevel(level_))) return level_;
    const PriorityLevel* nearest = &kPriorityLevels[0];
    for (const PriorityLevel& level : kPriorityLevels) {
      if (std::abs(NiceOf(level) - nice) < std::abs(NiceOf(*nearest) - nice)) nearest = &level;
    }
    return nearest->level;
  }

  bool SetPriority(int32_t priority) {
    const PriorityLevel* level = FindLevel(priority);
    if (level == nullptr) return false;
    std::lock_guard lock(stateMutex_);
    if (finished_) return false;
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid_), NiceOf(*level)) != 0) return false;
    level_ = priority;
    return true;
  }

  uintptr_t SetAffinity(uintptr_t mask) {
    std::lock_guard lock(stateMutex_);
    if (finished_) return 0;
    cpu_set_t before;
    if (pthread_getaffinity_np(pthread_, sizeof before, &before) != 0) return 0;
    cpu_set_t wanted;
    CPU_ZERO(&wanted);
    for (size_t cpu = 0; cpu < sizeof mask * 8; ++cpu) {
      if (mask & (uintptr_t{1} << cpu)) CPU_SET(cpu, &wanted);
    }
    if (pthread_setaffinity_np(pthread_, sizeof wanted, &wanted) != 0) return 0;
    uintptr_t old = 0;
    for (size_t cpu = 0; cpu < sizeof old * 8; ++cpu) {
      if (CPU_ISSET(cpu, &before)) old |= uintptr_t{1} << cpu;
    }
    return old;
  }

 private:
  void Finish(uint32_t exitCode) {
    {
      // Once finished_ is set no call sends a signal to the thread or cancels it: its pthread
      // is about to go.
      std::lock_guard lock(stateMutex_);
      finished_ = true;
      exitCode_.store(exitCode);
    }
    Signal();
  }

  const ThreadStartRoutine routine_;
  const intptr_t parameter_;
  std::atomic<int32_t> suspendCount_;
  std::atomic<uint32_t> exitCode_{STILL_ACTIVE};
  std::atomic<uint32_t> terminateCode_{0};

  std::mutex stateMutex_;
  std::condition_variable startChanged_;
  bool started_ = false;                    // guarded by stateMutex_
  bool finished_ = false;                   // guarded by stateMutex_
  pthread_t pthread_{};                     // guarded by stateMutex_
  ThreadId tid_ = 0;                        // guarded by stateMutex_
  int32_t level_ = THREAD_PRIORITY_NORMAL;  // the level last set; guarded by stateMutex_
};

void OnParkSignal(int) {
  const int savedErrno = errno;
  if (KernelThread* thread = currentThread) thread->ParkWhileSuspended();
  errno = savedErrno;
}

void InstallParkHandler() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    struct sigaction action {};
    action.sa_handler = OnParkSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(ParkSignal(), &action, nullptr);
  });
}

void* ThreadMain(void* argument) {
  std::shared_ptr<KernelThread> self;
  {
    std::unique_ptr<std::shared_ptr<KernelThread>> handed(
        static_cast<std::shared_ptr<KernelThread>*>(argument));
    self = std::move(*handed);
  }
  self->Run();
  return nullptr;
}

std::shared_ptr<KernelThread> FindThread(Handle thread) {
  return HandleTable::Process().FindAs<KernelThread>(thread);
}

}  // namespace

Handle CreateThread(size_t stackSize, ThreadStartRoutine routine, intptr_t parameter,
                    uint32_t flags, ThreadId* threadId) {
  if (!thread_faults::CreationAllowed({stackSize, flags})) return 0;
  InstallParkHandler();
  ProcessNice();  // the levels' base is the process's niceness from before its first thread
  auto thread = std::make_shared<KernelThread>(routine, parameter, (flags & CREATE_SUSPENDED) != 0);

  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return 0;
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t stack = (std::max(stackSize, DefaultStackSize()) + page - 1) / page * page;
  pthread_attr_setstacksize(&attr, stack);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  auto handed = std::make_unique<std::shared_ptr<KernelThread>>(thread);
  pthread_t id;
  const int error = pthread_create(&id, &attr, ThreadMain, handed.get());
  pthread_attr_destroy(&attr);
  if (error != 0) return 0;
  handed.release();  // the new thread owns it now

  const ThreadId tid = thread->AwaitStart(id);
  if (threadId) *threadId = tid;
  return HandleTable::Process().Insert(std::move(thread));
}

ThreadId GetThreadId(Handle thread) {
  std::shared_ptr<KernelThread> object = FindThread(thread);
  return object ? object->Id() : 0;
}

bool GetExitCodeThread(Handle thread, uint32_t* exitCode) {
  std::shared_ptr<KernelThread> object = FindThread(thread);
  if (!object) return false;
  *exitCode = object->ExitCode();
  return true;
}

int32_t SuspendThread(Handle thread) {
  std::shared_ptr<KernelThread> object = FindThread(thread);
  return object ? object->Suspend() : -1;
}

int32_t ResumeThread(Handle thread) {
  std::shared_ptr<KernelThread> object = FindThread(thread);
  return object ? object->Resume() : -1;
}

bool TerminateThread(Handle thread, uint32_t exitCode) {
  std::shared_ptr<KernelThread> object = FindThread(thread);
  return object && object->Terminate(exitCode);
}

int32_t GetThreadPriority(Handle thread) {
  std::shared_ptr<KernelThread> object = FindThread(thread);
  return object ? object->Priority() : THREAD_PRIORITY_ERROR_RETURN;
}

bool SetThreadPriority(Handle thread, int32_t priority) {
  std::shared_ptr<KernelThread> object = FindThread(thread);
  return object && object->SetPriority(priority);
}

uintptr_t SetThreadAffinityMask(Handle thread, uintptr_t mask) {
  std::shared_ptr<KernelThread> object = FindThread(thread);
  return object ? object->SetAffinity(mask) : 0;
}

}  // namespace platform
