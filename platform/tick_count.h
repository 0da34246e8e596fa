#pragma once

#include <cstdint>

namespace platform {

// Milliseconds of the monotonic clock, wrapping at 32 bits as GetTickCount does.
uint32_t GetTickCount();

}  // namespace platform
