#pragma once

#include <cstdint>

#include "platform/kernel/interlocked.h"

// Adds one to the caller's variable as one atomic operation: safe against concurrent
// increments and interlocked reads of the same variable. Callers read the variable itself.
inline void AtomicIncrement(int32_t& counter) { platform::InterlockedIncrement(counter); }
