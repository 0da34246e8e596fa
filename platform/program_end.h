// The normal end of a program: the registered exit routines run once, in the order they were
// registered, then the process ends as platform::ExitProcessNow says. A fatal error skips the
// routines.
#pragma once

namespace platform {

void RegisterExitRoutine(void (*routine)());

[[noreturn]] void EndProgram(int exitCode);

}  // namespace platform
