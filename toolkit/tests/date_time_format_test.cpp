#include "toolkit/date_time_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/process.h"
#include "toolkit/locale_clock.h"

namespace {

// 26 July 2020, 14:05:09.
const DateTime kMoment = DateTimeFromParts(2020, 7, 26, 14, 5, 9);

class FormatDateTimeTest : public ::testing::Test {
 protected:
  ~FormatDateTimeTest() override { OverrideLocaleTimeFormat(std::nullopt); }
  static void Use24HourClock() { OverrideLocaleTimeFormat("%H:%M:%S"); }
  static void Use12HourClock() { OverrideLocaleTimeFormat("%I:%M:%S %p"); }
};

struct StampCase {
  std::optional<int32_t> style;
  std::optional<int32_t> part;
  const char* expected;
};

TEST_F(FormatDateTimeTest, PicturesOnA24HourClock) {
  Use24HourClock();
  const StampCase cases[] = {
      {1, 3, " 14:05:09"},
      {1, std::nullopt, "2020-07-26  14:05:09"},
      {1, 1, "2020-07-26 "},
      {1, 2, "07-26 "},
      {1, 4, " 14:05"},
      {1, 5, " 05:09"},
      {1, 9, "2020-07-26  14:05:09"},
      {2, std::nullopt, "2020/07/26  14/05/09"},
      {3, std::nullopt, "20200726 140509"},
      {0, 3, " 14时05分09秒"},
      {0, std::nullopt, "2020年07月26日  14时05分09秒"},
      {0, 2, "07月26日 "},
      {7, 3, " 14时05分09秒"},
      {-1, 4, " 14时05分"},
      {std::nullopt, 5, " 05分09秒"},
  };
  for (const StampCase& c : cases) {
    EXPECT_EQ(FormatDateTime(kMoment, c.style, c.part), c.expected)
        << "style " << c.style.value_or(-99) << ", part " << c.part.value_or(-99);
  }
}

TEST_F(FormatDateTimeTest, TwelveHourClockShowsTwelveForMidnightAndNoon) {
  Use12HourClock();
  EXPECT_EQ(FormatDateTime(kMoment, 1, 3), " 02:05:09");
  EXPECT_EQ(FormatDateTime(kMoment, 0, 4), " 02时05分");
  EXPECT_EQ(FormatDateTime(DateTimeFromParts(2020, 7, 26, 0, 30, 0), 1, 3), " 12:30:00");
  EXPECT_EQ(FormatDateTime(DateTimeFromParts(2020, 7, 26, 12, 30, 0), 1, 3), " 12:30:00");
  EXPECT_EQ(FormatDateTime(DateTimeFromParts(2020, 7, 26, 23, 59, 59), 1, 3), " 11:59:59");
}

TEST_F(FormatDateTimeTest, NoTimeGivenMeansNow) {
  Use24HourClock();
  const Text before = FormatDateTime(CmdNow(), 1, 1);
  const Text stamp = FormatDateTime(std::nullopt, 1);
  const Text after = FormatDateTime(CmdNow(), 1, 1);
  ASSERT_EQ(stamp.size(), std::string("2020-07-26  14:05:09").size());
  EXPECT_TRUE(stamp.starts_with(before) || stamp.starts_with(after)) << stamp;
}

TEST(FormatSystemTimeTest, RejectedDatesGiveNothing) {
  const DateTime rejected[] = {
      {std::nan("")},
      {std::numeric_limits<double>::infinity()},
      {-657435.5},  // 31 December 99, noon
      DateTimeFromParts(10000, 1, 1, 0, 0, 0),
      {DateTimeFromParts(9999, 12, 31, 23, 59, 59).days + 0.9999 / 86400},  // rounds into 10000
  };
  for (DateTime date : rejected) {
    EXPECT_EQ(FormatSystemTime(date, "yyyy", "HH"), "") << date.days;
  }
}

TEST(FormatSystemTimeTest, FieldsAndPictures) {
  struct Case {
    DateTime time;
    const char* datePicture;
    const char* timePicture;
    std::optional<int32_t> force24;
    const char* expected;
  };
  const Case cases[] = {
      {{-657434.5}, "yyyy-MM-dd", "HH:mm:ss", {}, "0100-01-01 12:00:00"},
      {DateTimeFromParts(9999, 12, 31, 23, 59, 59), "yyyyMMdd", "HHmmss", {}, "99991231 235959"},
      {kMoment, "", "", {}, " "},
      {kMoment, "", "hh", 1, " 14"},
      {kMoment, "", "hh", 0, " 02"},
      // Negative dates count whole days back, the fraction forward from that midnight.
      {{-1.25}, "yyyy-MM-dd", "HH:mm", {}, "1899-12-29 06:00"},
      // To the nearest second, carrying into the next day.
      {{kMoment.days + 0.6 / 86400}, "", "HH:mm:ss", {}, " 14:05:10"},
      {{DateTimeFromParts(2020, 7, 26, 23, 59, 59).days + 0.7 / 86400},
       "MM-dd",
       "HH:mm:ss",
       {},
       "07-27 00:00:00"},
      // Unknown letters, single letters and double-byte characters are copied; the second byte
      // of "\x81\x4D" is an ASCII M and stays part of its character.
      {kMoment,
       "yy M d \x81\x4DMM",
       "h:m:s tt",
       {},
       "yy M d \x81\x4D"
       "07 h:m:s tt"},
      {kMoment, "MMM", "HHH", {}, "07M 14H"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatSystemTime(c.time, c.datePicture, c.timePicture, c.force24), c.expected)
        << c.datePicture << " | " << c.timePicture;
  }
}

TEST(LocaleClockTest, ClockOfTimeFormats) {
  struct Case {
    const char* format;
    int32_t expected;
  };
  const Case cases[] = {
      {"%H:%M:%S", 1}, {"%R", 1},       {"%T", 1},      {"%H时%M分%S秒", 1},
      {"%OH:%OM", 1},  {"%k:%M", 1},    {"%-H.%M", 1},  {"%I:%M:%S %p", 0},
      {"%r", 0},       {"%l:%M %p", 0}, {"%_2I:%M", 0}, {"%p %I:%M", 0},
      {"", 0},         {"%M:%S", 0},    {"%%H", 0},     {"%", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TimeFormatIs24Hour(c.format), c.expected) << c.format;
  }
}

}  // namespace
