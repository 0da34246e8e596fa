// DateTime: an automation date, days since 30 December 1899 with the time of day as the
// fraction, in local time.
#pragma once

struct DateTime {
  double days = 0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};
