#include "platform/heap.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "platform/fatal_error.h"

namespace platform {

void RaiseOutOfMemory(std::size_t n) noexcept {
  // Made without the heap, which has just failed.
  constexpr std::string_view kMessage = "分配 %d 字节内存失败!";
  constexpr size_t kCount = kMessage.find("%d");
  char message[kMessage.size() + 20];
  std::memcpy(message, kMessage.data(), kCount);
  char* end = std::to_chars(message + kCount, message + sizeof message, n).ptr;
  const std::string_view after = kMessage.substr(kCount + 2);
  std::memcpy(end, after.data(), after.size());
  end += after.size();
  RaiseFatalError(std::nullopt, std::string_view(message, static_cast<size_t>(end - message)));
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
