#include "platform/process_end.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "platform/temporary_names.h"

namespace platform {

void ExitProcessNow(int exitCode) {
  RemoveTemporaryNames();
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  _exit(exitCode);
}

}  // namespace platform
