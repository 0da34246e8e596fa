// Time stamps: a date-time formatted by style and part from a built-in table of pictures
// (picture_format.h has the picture letters).
//
// Styles: 0 Chinese units ("yyyy年MM月dd日 ", "hh时mm分ss秒"), 1 dashes and colons
// ("yyyy-MM-dd ", "hh:mm:ss"), 2 slashes, 3 digits run together; any other style counts as 0.
// Parts: 1 the date (without its trailing blank), 2 month and day, 3 the time, 4 hour and
// minute, 5 minute and second; any other part, or none, gives the date and the time.
#pragma once

#include <cstdint>
#include <optional>

#include "toolkit/runtime/date_time.h"
#include "toolkit/runtime/text.h"

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
