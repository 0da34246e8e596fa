// The end of a process as the system expects it: the hidden names of files still being
// written are removed (platform/temporary_names.h), buffered output is flushed, then the process
// exits at once. Static destructors do not run, since other threads may still be using the
// objects they would destroy.
#pragma once

namespace platform {

[[noreturn]] void ExitProcessNow(int exitCode);

}  // namespace platform
