// The interlocked operations on 32-bit and pointer-sized fields, and the relaxed loads and
// stores that stand for the plain reads and writes the system's code makes of shared fields.
//
// The fields stay plain integers, as the system's objects lay them out; std::atomic_ref makes
// each access atomic. Interlocked operations are sequentially consistent, and their sums wrap
// (they are computed unsigned). The relaxed accesses give no ordering, just as the plain ones
// they replace, but they are not data races.
#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>

namespace platform {

// Adds one and returns the new value.
inline int32_t InterlockedIncrement(int32_t& target) {
  return static_cast<int32_t>(static_cast<uint32_t>(std::atomic_ref(target).fetch_add(1)) + 1u);
}
inline intptr_t InterlockedIncrement(intptr_t& target) {
  return static_cast<intptr_t>(static_cast<uintptr_t>(std::atomic_ref(target).fetch_add(1)) + 1u);
}

// Subtracts one and returns the new value.
inline int32_t InterlockedDecrement(int32_t& target) {
  return static_cast<int32_t>(static_cast<uint32_t>(std::atomic_ref(target).fetch_sub(1)) - 1u);
}
inline intptr_t InterlockedDecrement(intptr_t& target) {
  return static_cast<intptr_t>(static_cast<uintptr_t>(std::atomic_ref(target).fetch_sub(1)) - 1u);
}

// Stores value and returns the value before.
inline int32_t InterlockedExchange(int32_t& target, int32_t value) {
  return std::atomic_ref(target).exchange(value);
}
inline intptr_t InterlockedExchange(intptr_t& target, intptr_t value) {
  return std::atomic_ref(target).exchange(value);
}

// Stores exchange when the field holds comparand; returns the value before either way.
inline int32_t InterlockedCompareExchange(int32_t& target, int32_t exchange, int32_t comparand) {
  std::atomic_ref(target).compare_exchange_strong(comparand, exchange);
  return comparand;
}
inline intptr_t InterlockedCompareExchange(intptr_t& target, intptr_t exchange,
                                           intptr_t comparand) {
  std::atomic_ref(target).compare_exchange_strong(comparand, exchange);
  return comparand;
}

// A plain read of a field that other threads change.
template <typename T>
requires std::is_trivially_copyable_v<T> T LoadRelaxed(T& field) {
  return std::atomic_ref(field).load(std::memory_order_relaxed);
}

// A plain write of a field that other threads read.
template <typename T>
requires std::is_trivially_copyable_v<T>
void StoreRelaxed(T& field, std::type_identity_t<T> value) {
  std::atomic_ref(field).store(value, std::memory_order_relaxed);
}

}  // namespace platform
