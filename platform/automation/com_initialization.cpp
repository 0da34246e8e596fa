#include "platform/automation/com_initialization.h"

namespace platform {
namespace {
thread_local int32_t initializeCount = 0;
}  // namespace

int32_t CoInitialize() { return ++initializeCount == 1 ? kInitialized : kAlreadyInitialized; }

void CoUninitialize() {
  if (initializeCount > 0) --initializeCount;
}

int32_t CoInitializeCount() { return initializeCount; }

}  // namespace platform
