#include "platform/program_end.h"

#include <mutex>
#include <vector>

#include "platform/process_end.h"

namespace platform {
namespace {

std::mutex& RoutinesLock() {
  static std::mutex lock;
  return lock;
}
std::vector<void (*)()>& Routines() {
  static std::vector<void (*)()> routines;
  return routines;
}

}  // namespace

void RegisterExitRoutine(void (*routine)()) {
  std::lock_guard lock(RoutinesLock());
  Routines().push_back(routine);
}

void EndProgram(int exitCode) {
  std::vector<void (*)()> routines;
  {
    std::lock_guard lock(RoutinesLock());
    routines.swap(Routines());  // each routine runs once, even if EndProgram is reached again
  }
  for (auto routine : routines) routine();
  ExitProcessNow(exitCode);
}

}  // namespace platform
