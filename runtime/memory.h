// Raw blocks from the process heap, for the places that need them. A heap that cannot supply
// a block is a fatal error.
#pragma once

#include <cstddef>

void* RtAlloc(std::size_t n);
// Resized to n bytes; a null block gives a new one, and a block in the program's constant data
// is copied into a new block.
void* RtRealloc(void* block, std::size_t n);
// Null and blocks in the program's constant data are ignored.
void RtFree(void* block);
