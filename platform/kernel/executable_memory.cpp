#include "platform/kernel/executable_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace platform {
namespace {

// The mapping's length is kept in front of the code, so that freeing needs only the address.
constexpr size_t kHeader = 16;

}  // namespace

void* AllocateExecutableMemory(std::span<const uint8_t> code) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t length = (kHeader + code.size() + page - 1) / page * page;
  void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) return nullptr;
  auto* bytes = static_cast<uint8_t*>(mapping);
  std::memcpy(bytes, &length, sizeof length);
  if (!code.empty()) std::memcpy(bytes + kHeader, code.data(), code.size());
  if (mprotect(mapping, length, PROT_READ | PROT_EXEC) != 0) {
    munmap(mapping, length);
    return nullptr;
  }
  return bytes + kHeader;
}

void FreeExecutableMemory(void* code) {
  if (!code) return;
  uint8_t* mapping = static_cast<uint8_t*>(code) - kHeader;
  size_t length;
  std::memcpy(&length, mapping, sizeof length);
  munmap(mapping, length);
}

}  // namespace platform
