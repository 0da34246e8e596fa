// The fatal run-time errors end the process with exit code 255 and the report on standard
// error, which the terminal shows in UTF-8.
#include <gtest/gtest.h>

#include "platform/fatal_error.h"
#include "tests/test_text.h"
#include "toolkit/runtime/array.h"
#include "toolkit/runtime/memory.h"
#include "toolkit/runtime/text.h"

namespace {

class FatalErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(FatalErrorsTest, IndexBelowOneIsErrorFourEvenOnAnEmptyArray) {
  Array<Text> empty;
  EXPECT_EXIT(empty.At(0), ::testing::ExitedWithCode(255),
              Utf8(u8"错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1"));
}

TEST_F(FatalErrorsTest, IndexAboveCountIsErrorOne) {
  Array<Text> two{"a", "b"};
  EXPECT_EQ(two.At(2), "b");
  EXPECT_EXIT(two.At(3), ::testing::ExitedWithCode(255),
              Utf8(u8"错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围"));
}

TEST_F(FatalErrorsTest, ExhaustedHeapReportsTheByteCount) {
  // Sizes no heap can supply, through both roads into the heap.
  const size_t huge = size_t{1} << 46;
  EXPECT_EXIT(RtAlloc(huge), ::testing::ExitedWithCode(255),
              Utf8(u8"错误信息：分配 70368744177664 字节内存失败!"));
  EXPECT_EXIT(
      {
        std::string text;
        text.reserve(huge);
      },
      ::testing::ExitedWithCode(255), Utf8(u8"分配 70368744177665 字节内存失败!"));
}

TEST(FatalReportText, HasTheSystemsLayout) {
  const std::string report = platform::FatalReportText(1, "m", std::source_location::current());
  EXPECT_EQ(report.rfind("运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：m\r\n\r\n", 0), 0u);
  EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
  EXPECT_EQ(
      platform::FatalReportText(std::nullopt, "", std::source_location::current()).find("错误代码"),
      std::string::npos);
}

}  // namespace
