// Memory for machine code made at run time. Code is written while the memory is read-write and
// only then made read-execute: no page is ever writable and executable at once.
#pragma once

#include <cstdint>
#include <span>

namespace platform {

// New read-execute memory holding a copy of code, 16-byte aligned; null when the system gives
// none.
void* AllocateExecutableMemory(std::span<const uint8_t> code);

// Frees memory from AllocateExecutableMemory; null does nothing.
void FreeExecutableMemory(void* code);

}  // namespace platform
