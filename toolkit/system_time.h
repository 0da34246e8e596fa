// The calendar fields of an automation date, as the platform's formatting calls take them.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/date_time.h"

struct SystemTime {
  int32_t year = 0;
  int32_t month = 0;  // 1..12
  int32_t day = 0;    // 1..31
  int32_t hour = 0;   // 0..23
  int32_t minute = 0;
  int32_t second = 0;
  friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

// The fields of the date-time, rounded to the nearest second. For a negative date the whole
// days count back from 30 December 1899 while the fraction still counts forward from that
// day's midnight, as automation dates do. Nothing for a value that is not a number or lies
// outside the years 100 to 9999.
std::optional<SystemTime> SystemTimeFromDateTime(DateTime dateTime);
