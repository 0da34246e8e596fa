#include "runtime/memory.h"

#include <cstdint>

#include "platform/heap.h"

// Bounds of the program image, from the linker: its code, constants and initialised data.
extern "C" char __executable_start;
extern "C" char edata;

namespace {

bool InProgramImage(const void* block) {
  auto address = reinterpret_cast<std::uintptr_t>(block);
  return address >= reinterpret_cast<std::uintptr_t>(&__executable_start) &&
         address < reinterpret_cast<std::uintptr_t>(&edata);
}

// Copies what fits before the image ends; the constant's own size is not known here.
__attribute__((no_sanitize("address"))) void CopyFromImage(char* to, const char* from,
                                                           std::size_t n) {
  std::size_t available = static_cast<std::size_t>(&edata - from);
  for (std::size_t i = 0; i < n && i < available; ++i) to[i] = from[i];
}

}  // namespace

void* RtAlloc(std::size_t n) { return platform::HeapAllocate(n); }

void* RtRealloc(void* block, std::size_t n) {
  if (block == nullptr) return platform::HeapAllocate(n);
  if (InProgramImage(block)) {
    auto* copy = static_cast<char*>(platform::HeapAllocate(n));
    CopyFromImage(copy, static_cast<const char*>(block), n);
    return copy;
  }
  return platform::HeapReallocate(block, n);
}

void RtFree(void* block) {
  if (block == nullptr || InProgramImage(block)) return;
  platform::HeapFree(block);
}
