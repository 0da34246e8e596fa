// A pause that keeps the calling thread's events served.
#pragma once

#include <cstdint>
#include <optional>

// Waits amount units on a waitable timer and processes the calling thread's events whenever
// something comes meanwhile; returns 1 once the time has passed. The unit is 0 (or none) for
// milliseconds, 1 seconds, 2 minutes, 3 hours; any other value is itself the multiplier in
// milliseconds. A zero or negative amount returns after the first wait. On a thread with an
// extra event pump (the windowed program's main thread, whose window-system events cannot wake
// the wait) the wait looks at its events every few milliseconds.
int32_t SleepPumping(int32_t amount, std::optional<int64_t> unit = std::nullopt);
