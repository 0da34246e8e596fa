#include "toolkit/system_time.h"

#include <cmath>

namespace {

// The civil date of a day count from 1 January 1970 (proleptic Gregorian calendar).
void CivilFromDays(int64_t days, int32_t& year, int32_t& month, int32_t& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int32_t>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int32_t>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int32_t>(static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2));
}

// 30 December 1899 counted from 1 January 1970.
constexpr int64_t kAutomationEpoch = -25569;
// 1 January 100 and the day after 31 December 9999, as automation dates.
constexpr double kFirstDay = -657434.0;
constexpr double kDayAfterLast = 2958466.0;

}  // namespace

std::optional<SystemTime> SystemTimeFromDateTime(DateTime dateTime) {
  const double value = dateTime.days;
  if (!std::isfinite(value) || value <= kFirstDay - 1.0 || value >= kDayAfterLast) {
    return std::nullopt;
  }
  double wholeDays = std::trunc(value);
  int64_t seconds = std::llround(std::fabs(value - wholeDays) * 86400.0);
  if (seconds >= 86400) {  // rounded up to the next midnight
    seconds -= 86400;
    wholeDays += 1.0;
  }
  SystemTime fields;
  CivilFromDays(static_cast<int64_t>(wholeDays) + kAutomationEpoch, fields.year, fields.month,
                fields.day);
  if (fields.year < 100 || fields.year > 9999) return std::nullopt;
  fields.hour = static_cast<int32_t>(seconds / 3600);
  fields.minute = static_cast<int32_t>(seconds / 60 % 60);
  fields.second = static_cast<int32_t>(seconds % 60);
  return fields;
}
