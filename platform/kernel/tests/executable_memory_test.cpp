#include "platform/kernel/executable_memory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace platform {
namespace {

// The permissions of the mapping that holds address, from /proc/self/maps; "" when unmapped.
std::string PermissionsAt(const void* address) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  const auto where = reinterpret_cast<uintptr_t>(address);
  while (std::getline(maps, line)) {
    uintptr_t from = 0, to = 0;
    char permissions[5] = {};
    if (std::sscanf(line.c_str(), "%lx-%lx %4s", &from, &to, permissions) == 3 && from <= where &&
        where < to) {
      return permissions;
    }
  }
  return "";
}

TEST(ExecutableMemory, HoldsRunnableCodeThatIsNeverWritable) {
  const uint8_t returns42[] = {0xB8, 0x2A, 0x00, 0x00, 0x00, 0xC3};  // mov eax, 42; ret
  void* code = AllocateExecutableMemory(returns42);
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(code) % 16, 0u);
  EXPECT_EQ(PermissionsAt(code), "r-xp");
  EXPECT_EQ(reinterpret_cast<int (*)()>(code)(), 42);
  FreeExecutableMemory(code);
  EXPECT_EQ(PermissionsAt(code), "");
  FreeExecutableMemory(nullptr);
}

}  // namespace
}  // namespace platform
