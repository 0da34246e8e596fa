// The one rule by which the thread kit settles a stack size asked for before it gives it to the
// platform.
#pragma once

#include <cstdint>

inline constexpr int32_t kSmallestStackSize = 8192;

// 0 (the platform's default) stays 0; any other size below kSmallestStackSize, negative ones
// too, becomes kSmallestStackSize; the rest is rounded down to a multiple of granularity.
// Thread::Start and ThreadPool::Create round to 4096, ThreadPool::SetStackSize to 8192.
constexpr int32_t SettledStackSize(int32_t size, int32_t granularity) {
  if (size == 0) return 0;
  if (size < kSmallestStackSize) return kSmallestStackSize;
  return size - size % granularity;
}
