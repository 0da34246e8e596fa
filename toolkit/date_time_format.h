// Time stamps: a date-time formatted by style and part from a built-in table of pictures
// (picture_format.h has the picture letters).
//
// Styles: Chinese units ("yyyy年MM月dd日 ", "hh时mm分ss秒"), dashes and colons ("yyyy-MM-dd ",
// "hh:mm:ss"), slashes, digits run together; any other style counts as Chinese units.
// Parts: the date (without its trailing blank), month and day, the time, hour and minute,
// minute and second; any other part, or none, gives the date and the time.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/date_time.h"
#include "runtime/text.h"

inline constexpr int32_t kChineseUnitsStyle = 0;
inline constexpr int32_t kDashesAndColonsStyle = 1;
inline constexpr int32_t kSlashesStyle = 2;
inline constexpr int32_t kDigitsOnlyStyle = 3;

inline constexpr int32_t kDatePart = 1;
inline constexpr int32_t kMonthDayPart = 2;
inline constexpr int32_t kTimePart = 3;
inline constexpr int32_t kHourMinutePart = 4;
inline constexpr int32_t kMinuteSecondPart = 5;

// The date half and the time half, joined by one blank; an empty half stays empty, the blank
// is always there. No time given means now (CmdNow). The hours follow the user's clock
// (LocaleIs24Hour); on a 12-hour clock no AM/PM indicator is shown.
Text FormatDateTime(std::optional<DateTime> time = std::nullopt,
                    std::optional<int32_t> style = std::nullopt,
                    std::optional<int32_t> part = std::nullopt);

// The date-time formatted with each picture, the two halves joined by one blank; force24 given
// as 1 shows hh on the 24-hour clock. "" (no blank) for a date-time that is not a number or
// lies outside the years 100 to 9999.
Text FormatSystemTime(DateTime dateTime, const Text& datePicture, const Text& timePicture,
                      std::optional<int32_t> force24 = std::nullopt);
