// A thread's second source of events. The windowed program's main thread gets window-system
// events besides the messages of its own queue; it names here how to process them, so that
// every "process the pending events" of that thread serves both.
#pragma once

namespace platform {

// Sets (or, with null, clears) the calling thread's extra event processing.
void SetCurrentThreadEventPump(void (*pump)());

// The calling thread's extra event processing; null for every thread that set none.
void (*CurrentThreadEventPump())();

}  // namespace platform
