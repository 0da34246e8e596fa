// Handles name the kernel layer's objects (events, timers, completion ports, threads), as the
// system's code passes them around: plain pointer-sized integers, looked up in the process's
// handle table (handle_table.h) on every use.
#pragma once

#include <cstdint>

namespace platform {

using Handle = intptr_t;

// Stands for "no file" when a completion port is made on its own.
inline constexpr Handle INVALID_HANDLE_VALUE = -1;

// Wait time-outs are unsigned milliseconds; this one waits without limit.
inline constexpr uint32_t INFINITE = 0xFFFFFFFF;

// Results of the waits (wait.h). WAIT_OBJECT_0 + i names the i-th object waited on.
inline constexpr uint32_t WAIT_OBJECT_0 = 0;
inline constexpr uint32_t WAIT_TIMEOUT = 0x102;
inline constexpr uint32_t WAIT_FAILED = 0xFFFFFFFF;

}  // namespace platform
