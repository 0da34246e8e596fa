#include "platform/temporary_names.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

// A slot's states. Its owner moves it between kFree, kIdle, kMaking and kMade; the end of the
// process moves any of them to kEnding, after which nobody changes the slot again.
enum SlotState : int {
  kFree,
  kIdle,    // claimed; no name made
  kMaking,  // the owner is in its make call: the name may exist or not
  kMade,
  kEnding,
};

// The owner writes the plain fields only while the end does not read them (kFree, kIdle), and
// publishes them with its move to kMaking.
struct Slot {
  std::atomic<int> state{kFree};
  int folder = -1;
  pid_t owner = 0;
  char name[kTemporaryNameLength + 1] = {};
};
static_assert(std::atomic<int>::is_always_lock_free, "signal handlers move the slots' states");

Slot slots[kTemporaryNameSlots];
// Counts the releases, for a claim that waits for a free slot.
std::atomic<unsigned> releases{0};

// Takes `slot` for the end of the process and removes the name where one may exist. A slot whose
// owner is in its make call on another thread is left alone (false) unless `evenWhileMaking`:
// removed before the call returns, the name could be made after all.
bool TakeForEnd(Slot& slot, pid_t self, bool evenWhileMaking) {
  int state = slot.state.load(std::memory_order_acquire);
  for (;;) {
    if (state == kEnding) return true;
    if (state == kMaking && slot.owner != self && !evenWhileMaking) return false;
    if (slot.state.compare_exchange_weak(state, kEnding, std::memory_order_acq_rel)) break;
  }
  if (state == kMaking || state == kMade) unlinkat(slot.folder, slot.name, 0);
  return true;
}

bool Passed(const timespec& deadline) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec > deadline.tv_sec ||
         (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec);
}

void OnTerminatingSignal(int signal) {
  const int savedErrno = errno;
  RemoveTemporaryNames();
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  sigaction(signal, &byDefault, nullptr);
  // Blocked while its handler runs, the signal stays pending until the handler returns; then
  // its default action ends the process.
  raise(signal);
  errno = savedErrno;
}

constexpr int kTerminatingSignals[] = {SIGHUP,    SIGINT,  SIGQUIT, SIGPIPE,   SIGALRM,
                                       SIGTERM,   SIGUSR1, SIGUSR2, SIGSTKFLT, SIGXCPU,
                                       SIGVTALRM, SIGPROF, SIGIO,   SIGPWR};

void InstallHandlers() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    struct sigaction action {};
    action.sa_handler = OnTerminatingSignal;
    // One handler at a time on a thread: the first one's end is the process's end.
    sigemptyset(&action.sa_mask);
    for (int signal : kTerminatingSignals) sigaddset(&action.sa_mask, signal);
    for (int signal : kTerminatingSignals) {
      struct sigaction current {};
      if (sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
          current.sa_handler == SIG_DFL) {
        sigaction(signal, &action, nullptr);
      }
    }
  });
}

}  // namespace

TemporaryName::TemporaryName(int folder) {
  InstallHandlers();
  for (;;) {
    const unsigned seen = releases.load(std::memory_order_acquire);
    for (int index = 0; index < kTemporaryNameSlots; ++index) {
      int state = kFree;
      if (slots[index].state.compare_exchange_strong(state, kIdle, std::memory_order_acq_rel)) {
        slot_ = index;
        slots[index].owner = gettid();
        slots[index].folder = fcntl(folder, F_DUPFD_CLOEXEC, 0);
        return;
      }
    }
    releases.wait(seen, std::memory_order_acquire);
  }
}

TemporaryName::~TemporaryName() {
  Slot& slot = slots[slot_];
  const int folder = slot.folder;
  int state = slot.state.load(std::memory_order_acquire);
  // Removed while the slot still names it, so that a signal coming meanwhile finds it too.
  if (state == kMade) unlinkat(folder, slot.name, 0);
  if (state == kEnding ||
      !slot.state.compare_exchange_strong(state, kFree, std::memory_order_acq_rel)) {
    return;  // the end has it, and may be using its folder
  }
  if (folder >= 0) close(folder);
  releases.fetch_add(1, std::memory_order_release);
  releases.notify_all();
}

bool TemporaryName::Make(std::string_view name, const std::function<bool(const char*)>& make) {
  Slot& slot = slots[slot_];
  int state = slot.state.load(std::memory_order_acquire);
  if (state != kIdle) {
    errno = state == kEnding ? ECANCELED : EBUSY;
    return false;
  }
  if (name.size() > kTemporaryNameLength) {
    errno = ENAMETOOLONG;
    return false;
  }
  if (slot.folder < 0) {
    errno = EBADF;
    return false;
  }
  std::memcpy(slot.name, name.data(), name.size());
  slot.name[name.size()] = '\0';
  if (!slot.state.compare_exchange_strong(state, kMaking, std::memory_order_acq_rel)) {
    errno = ECANCELED;
    return false;
  }
  const bool made = make(slot.name);
  const int makeErrno = errno;
  state = kMaking;
  if (slot.state.compare_exchange_strong(state, made ? kMade : kIdle, std::memory_order_acq_rel)) {
    errno = makeErrno;
    return made;
  }
  // The end stopped waiting for this call: what it made is left to this thread to remove.
  if (made) unlinkat(slot.folder, slot.name, 0);
  errno = ECANCELED;
  return false;
}

void TemporaryName::HandOn() {
  int state = kMade;
  slots[slot_].state.compare_exchange_strong(state, kIdle, std::memory_order_acq_rel);
}

const char* TemporaryName::Name() const { return slots[slot_].name; }

void RemoveTemporaryNames() {
  const pid_t self = gettid();
  bool waiting = false;
  for (Slot& slot : slots) waiting = !TakeForEnd(slot, self, false) || waiting;
  if (!waiting) return;
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += 1;
  for (Slot& slot : slots) {
    while (!TakeForEnd(slot, self, Passed(deadline))) sched_yield();
  }
}

}  // namespace platform
