// A heap that is used up, seen from a thread that has never converted a text: its fatal report
// still reaches standard error, and its conversions fail as conversions do. The probe is the
// child that uses its heap up (heap_exhaustion_probe.cpp).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/child_process.h"
#include "tests/test_text.h"

namespace {

ChildResult RunProbe(const char* mode) {
  ChildLimits limits;
  // Under a sanitizer the probe limits its heap itself: no address-space limit fits beside the
  // sanitizer's shadow memory.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  limits.addressSpaceBytes = rlim_t{256} << 20;
#endif
  return RunChild(TROVANEL_HEAP_EXHAUSTION_PROBE, {{"PROBE", mode}, {"LC_ALL", "C.UTF-8"}}, limits);
}

TEST(HeapExhaustion, TheReportOfAThreadThatNeverConvertedReachesStandardError) {
  const ChildResult result = RunProbe("fail");
  EXPECT_EQ(result.exitCode, 255) << result.out << result.err;
  EXPECT_THAT(result.err, ::testing::StartsWith(
                              Utf8(u8"运行时出错!\r\n\r\n错误信息：分配 64 字节内存失败!\r\n")));
}

TEST(HeapExhaustion, AThreadWithoutConvertersGetsEachConversionsFailureValue) {
  const ChildResult result = RunProbe("convert");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "GbkToUtf8: (none)\n"                    // no file name rather than a wrong one
            "Utf8ToGbk: a?\n"                        // what it cannot convert becomes '?'
            "GbkToUtf16: 3 units, back a\xD6\xD0\n"  // each byte a stray unit: still lossless
            "Utf16ToGbk: a?\n"
            "GbkToTerminal: a\xEF\xBF\xBD\n");  // one U+FFFD for the character
}

}  // namespace
