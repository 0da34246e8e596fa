#include "platform/event_pump.h"

namespace platform {
namespace {

thread_local void (*threadEventPump)() = nullptr;

}  // namespace

void SetCurrentThreadEventPump(void (*pump)()) { threadEventPump = pump; }

void (*CurrentThreadEventPump())() { return threadEventPump; }

}  // namespace platform
