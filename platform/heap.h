// The process heap. Every allocation of the program, the global operator new included, comes
// from here, and a heap that cannot supply a block is a fatal error, not an exception: the
// system has no road on which an allocation failure could be handled.
#pragma once

#include <cstddef>

namespace platform {

// A block of n bytes, not cleared (at least one byte, so that n = 0 still gives a block).
void* HeapAllocate(std::size_t n);
// The block resized; a null block gives a new one.
void* HeapReallocate(void* block, std::size_t n);
void HeapFree(void* block);
// The block resized, or null when the heap cannot supply that much; the block is then left as
// it was. Only for sizes that someone outside the program decides (a body a server sends), where
// running out is a failure of that one exchange rather than of the program.
void* TryHeapReallocate(void* block, std::size_t n) noexcept;

[[noreturn]] void RaiseOutOfMemory(std::size_t n) noexcept;

}  // namespace platform
