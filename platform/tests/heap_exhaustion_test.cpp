// A heap that is used up, seen from a thread that has never converted a text: its fatal report
// still reaches standard error, and its conversions fail as conversions do. The probe is the
// child that uses its heap up (heap_exhaustion_probe.cpp).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/child_process.h"
#include "tests/test_text.h"

namespace {

class HeapExhaustion : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef __SANITIZE_THREAD__
    GTEST_SKIP() << "ThreadSanitizer's shadow memory leaves no room for an address-space limit, "
                    "and its allocator has no limit of its own that refuses every block";
#endif
  }

  static ChildResult RunProbe(const char* mode) {
    ChildLimits limits;
    // Under AddressSanitizer, whose shadow memory no address-space limit leaves room for, the
    // probe limits its heap itself.
#ifndef __SANITIZE_ADDRESS__
    limits.addressSpaceBytes = rlim_t{256} << 20;
#endif
    return RunChild(TROVANEL_HEAP_EXHAUSTION_PROBE, {{"PROBE", mode}, {"LC_ALL", "C.UTF-8"}},
                    limits);
  }
};

TEST_F(HeapExhaustion, TheReportOfAThreadThatNeverConvertedReachesStandardError) {
  const ChildResult result = RunProbe("fail");
  EXPECT_EQ(result.exitCode, 255) << result.out << result.err;
  EXPECT_THAT(result.err, ::testing::HasSubstr(
                              Utf8(u8"运行时出错!\r\n\r\n错误信息：分配 64 字节内存失败!\r\n")));
}

TEST_F(HeapExhaustion, AThreadWithoutConvertersGetsEachConversionsFailureValue) {
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
