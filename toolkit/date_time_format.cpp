#include "toolkit/date_time_format.h"

#include <array>

#include "runtime/process.h"
#include "runtime/text_operations.h"
#include "toolkit/locale_clock.h"
#include "toolkit/picture_format.h"
#include "toolkit/system_time.h"

namespace {

struct StylePictures {
  const char* date;
  const char* time;
  const char* monthDay;
  const char* hourMinute;
  const char* minuteSecond;
};

// By style, from kChineseUnitsStyle to kDigitsOnlyStyle.
constexpr std::array<StylePictures, 4> kPictures{{
    {"yyyy年MM月dd日 ", "hh时mm分ss秒", "MM月dd日", "hh时mm分", "mm分ss秒"},
    {"yyyy-MM-dd ", "hh:mm:ss", "MM-dd", "hh:mm", "mm:ss"},
    {"yyyy/MM/dd ", "hh/mm/ss", "MM/dd", "hh/mm", "mm/ss"},
    {"yyyyMMdd", "hhmmss", "MMdd", "hhmm", "mmss"},
}};

}  // namespace

Text FormatDateTime(std::optional<DateTime> time, std::optional<int32_t> style,
                    std::optional<int32_t> part) {
  const DateTime moment = time ? *time : CmdNow();
  const int32_t column = style && *style >= kChineseUnitsStyle && *style <= kDigitsOnlyStyle
                             ? *style
                             : kChineseUnitsStyle;
  const StylePictures& pictures = kPictures[static_cast<size_t>(column)];
  Text datePicture;
  Text timePicture;
  switch (part.value_or(0)) {
    case kDatePart:
      datePicture = CmdTrimBoth(pictures.date);
      break;
    case kMonthDayPart:
      datePicture = pictures.monthDay;
      break;
    case kTimePart:
      timePicture = pictures.time;
      break;
    case kHourMinutePart:
      timePicture = pictures.hourMinute;
      break;
    case kMinuteSecondPart:
      timePicture = pictures.minuteSecond;
      break;
    default:
      datePicture = pictures.date;
      timePicture = pictures.time;
      break;
  }
  if (LocaleIs24Hour() == 1) {
    timePicture = CmdReplaceText(timePicture, "hh", "HH", std::nullopt, std::nullopt, true);
  }
  return FormatSystemTime(moment, datePicture, timePicture);
}

Text FormatSystemTime(DateTime dateTime, const Text& datePicture, const Text& timePicture,
                      std::optional<int32_t> force24) {
  const std::optional<SystemTime> fields = SystemTimeFromDateTime(dateTime);
  if (!fields) return Text();
  const bool twentyFour = force24 == 1;
  return FormatPicture(*fields, datePicture, twentyFour) + " " +
         FormatPicture(*fields, timePicture, twentyFour);
}
