// Names of files that exist only while a file is being made (a hidden name that a new file has
// until it is renamed over its target), and that must not outlive the process: a terminating
// signal and the immediate end of the process remove every one still registered.
//
// The signals: the asynchronous ones that a user or the system sends to end a program, SIGHUP,
// SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2, SIGSTKFLT, SIGXCPU, SIGVTALRM,
// SIGPROF, SIGIO and SIGPWR. The first TemporaryName installs one process-wide handler for each
// of them whose disposition is still the default, so a signal that the user's shell ignores
// (SIGHUP under nohup) stays ignored and a handler someone else installed stays theirs. Left
// alone: SIGKILL and SIGSTOP, which no program can catch; the faults of the program itself
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT), whose handling belongs to the
// sanitizers and whose state cannot be trusted; SIGXFSZ, which the file writes ignore; the
// real-time signals, which libraries and the kernel layer's thread parking take for themselves.
//
// The handler may run on any thread. It removes the registered names with async-signal-safe
// calls only, then puts back the signal's default action and raises the signal again, so the
// process ends exactly as the signal would have ended it without the handler (killed by it, a
// core dump for SIGQUIT). From the moment it starts, no name can be registered or made any more.
//
// What a name costs: a slot of a fixed table, claimed and released with atomic operations
// (kTemporaryNameSlots, enough for every writer of the windowed program at once). When every
// slot is taken, a new TemporaryName waits until one is released; a thread holds at most one
// TemporaryName at a time, so the wait always ends.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string_view>

namespace platform {

inline constexpr int kTemporaryNameSlots = 64;
// The longest name a slot holds, in bytes.
inline constexpr size_t kTemporaryNameLength = 31;

// One registered name in one folder, for one thread. Not copyable or movable: the slot it holds
// is its own until it goes.
class TemporaryName {
 public:
  // Claims a slot for a name in `folder` (a descriptor of the folder, O_PATH will do; the slot
  // keeps a duplicate of its own, so the caller may close theirs at any time). Waits while every
  // slot is taken. A folder that cannot be duplicated leaves the slot unusable: Make fails.
  explicit TemporaryName(int folder);
  // Removes the name, unless nothing was made or it was handed on, and releases the slot. When
  // the end of the process has begun, leaves the name and the slot to the end.
  ~TemporaryName();
  TemporaryName(const TemporaryName&) = delete;
  TemporaryName& operator=(const TemporaryName&) = delete;

  // Makes `name` in the folder through `make` (a call such as an open with O_EXCL or a linkat,
  // which answers whether it made the name, with errno set when not). The name is registered
  // before `make` runs: from then until it is handed on, a terminating signal or the end of
  // the process removes it, whenever it comes. The end waits for a `make` running on another
  // thread to return, for a second at most (a thread held suspended in it does not hold the end
  // back; should it run again before the process is gone, it removes what it made itself).
  // False, with errno set, when `make` did not make the name (the slot is free for another
  // try), when the name is longer than kTemporaryNameLength (ENAMETOOLONG), when a name is
  // made already (EBUSY), or when the end of the process has begun (ECANCELED; `make` does not
  // run, or what it made is removed).
  bool Make(std::string_view name, const std::function<bool(const char* name)>& make);

  // The name made, gone from the folder now (renamed over its target): nothing removes it any
  // more.
  void HandOn();

  // The name last given to Make.
  const char* Name() const;

 private:
  int slot_;
};

// For a process that ends now without its handlers (ExitProcessNow): removes every registered
// name, waiting for a Make in progress on another thread, and makes every later TemporaryName
// wait for good. Async-signal-safe.
void RemoveTemporaryNames();

}  // namespace platform
