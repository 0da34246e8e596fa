#include "platform/heap.h"

#include <cstdlib>
#include <new>
#include <string>

#include "platform/fatal_error.h"

namespace platform {

void RaiseOutOfMemory(std::size_t n) {
  std::string message = "分配 %d 字节内存失败!";
  message.replace(message.find("%d"), 2, std::to_string(n));
  RaiseFatalError(std::nullopt, message);
}

void* HeapAllocate(std::size_t n) {
  void* block = std::malloc(n == 0 ? 1 : n);
  if (block == nullptr) RaiseOutOfMemory(n);
  return block;
}

void* HeapReallocate(void* block, std::size_t n) {
  void* resized = std::realloc(block, n == 0 ? 1 : n);
  if (resized == nullptr) RaiseOutOfMemory(n);
  return resized;
}

void HeapFree(void* block) { std::free(block); }

void* TryHeapReallocate(void* block, std::size_t n) noexcept {
  return std::realloc(block, n == 0 ? 1 : n);
}

}  // namespace platform

// The global allocation functions, replaced so that an exhausted heap reaches the fatal
// report with its byte count wherever it happens.
void* operator new(std::size_t n) { return platform::HeapAllocate(n); }
void* operator new[](std::size_t n) { return platform::HeapAllocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return std::malloc(n == 0 ? 1 : n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  return std::malloc(n == 0 ? 1 : n);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
