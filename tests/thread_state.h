// Waiting until another thread is blocked in the kernel, for tests that must act on a thread
// only once it waits (a parking signal reaches a blocked thread at once, also under
// ThreadSanitizer, which holds signals back from a running thread until its next call into it).
#pragma once

#include <sys/types.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace testing_support {

// The state letter of the thread in /proc ('R' running, 'S' sleeping, ...); 0 when it is gone.
inline char ThreadState(pid_t tid) {
  std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
  const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const size_t end = text.rfind(')');  // the name may hold blanks and parentheses
  return end == std::string::npos || end + 2 >= text.size() ? 0 : text[end + 2];
}

// Returns once the thread sleeps in the kernel.
inline void AwaitSleeping(pid_t tid) {
  while (ThreadState(tid) != 'S') std::this_thread::yield();
}

}  // namespace testing_support
