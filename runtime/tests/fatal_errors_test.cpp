// The fatal run-time errors end the process with exit code 255 and the report on standard
// error, which the terminal shows in UTF-8.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/fatal_error.h"
#include "runtime/array.h"
#include "runtime/memory.h"
#include "runtime/text.h"
#include "tests/test_text.h"

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

TEST_F(FatalErrorsTest, AFatalErrorRaisedByTheReportEndsTheProcessAtOnce) {
  EXPECT_EXIT(
      {
        alarm(30);  // a report that waited for itself would wait here for good
        platform::SetFatalReportHandler(
            [](std::string_view) { platform::RaiseFatalError(std::nullopt, "second"); });
        platform::RaiseFatalError(std::nullopt, "first");
      },
      ::testing::ExitedWithCode(255), Utf8(u8"错误信息：first\r\n"));
}

TEST(FatalReport, HasTheSystemsLayout) {
  struct Case {
    std::optional<int32_t> number;
    std::string message;
    std::string framed;  // the report before its location line
  };
  const Case cases[] = {
      {1, "m", "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：m\r\n"},
      {-7, "", "运行时出错!\r\n\r\n错误代码：-7\r\n"},
      {std::nullopt, "数组", "运行时出错!\r\n\r\n错误信息：数组\r\n"},
      {std::nullopt, "", "运行时出错!\r\n"},
  };
  for (const Case& c : cases) {
    const std::source_location where = std::source_location::current();
    const platform::FatalReport report(c.number, c.message, where);
    EXPECT_EQ(report.Text(), c.framed + "\r\n" + std::to_string(where.line()) + ", " +
                                 std::to_string(where.column()) + "\r\n");
  }
}

TEST(FatalReport, AMessageTooLongIsCutAtACharacterBeforeTheLocation) {
  std::string message = "a";
  while (message.size() < 2 * platform::FatalReport::kCapacity) message += "数组";
  const platform::FatalReport report(std::nullopt, message, std::source_location::current());
  const std::string_view text = report.Text();
  const std::string_view start = "运行时出错!\r\n\r\n错误信息：a";
  ASSERT_EQ(text.substr(0, start.size()), start);
  const size_t messageEnd = text.find("\r\n", start.size());
  ASSERT_NE(messageEnd, std::string_view::npos);
  EXPECT_EQ((messageEnd - start.size()) % 2, 0u) << "no character cut in two";
  EXPECT_GT(messageEnd, platform::FatalReport::kCapacity / 2);
  EXPECT_EQ(text.substr(messageEnd, 4), "\r\n\r\n");
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

}  // namespace
