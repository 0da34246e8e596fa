#pragma once

#include <concepts>
#include <type_traits>

// a + b, wrapping at the width of T (computed unsigned): an address plus an offset, or the thread
// pool's counters added together.
template <std::integral T>
T AddOffset(T a, T b) {
  using Unsigned = std::make_unsigned_t<T>;
  return static_cast<T>(static_cast<Unsigned>(a) + static_cast<Unsigned>(b));
}
