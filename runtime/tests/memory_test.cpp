#include "runtime/memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const char kBuiltIn[] = "built-in constant";

TEST(RtMemory, ConstantBlocksAreCopiedNotFreed) {
  RtFree(nullptr);
  RtFree(const_cast<char*>(kBuiltIn));  // harmless
  auto* copy = static_cast<char*>(RtRealloc(const_cast<char*>(kBuiltIn), sizeof kBuiltIn + 8));
  ASSERT_NE(copy, kBuiltIn);
  EXPECT_STREQ(copy, kBuiltIn);
  copy = static_cast<char*>(RtRealloc(copy, 4096));
  EXPECT_STREQ(copy, kBuiltIn);
  RtFree(copy);
  auto* fresh = static_cast<char*>(RtRealloc(nullptr, 3));
  std::memcpy(fresh, "ok", 3);
  EXPECT_STREQ(fresh, "ok");
  RtFree(fresh);
}

}  // namespace
