// Starting a kernel-layer thread on a lambda, for the tests.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/kernel/kernel_thread.h"

namespace platform::testing {

using ThreadBody = std::function<uint32_t()>;

inline uint32_t RunBody(intptr_t body) { return (*reinterpret_cast<ThreadBody*>(body))(); }

// The body must outlive the thread.
inline Handle StartThread(ThreadBody& body, uint32_t flags = 0, size_t stackSize = 0) {
  return CreateThread(stackSize, RunBody, reinterpret_cast<intptr_t>(&body), flags, nullptr);
}

}  // namespace platform::testing
