// Date and time pictures: yyyy is the four-digit year, MM the month, dd the day, hh the hour on
// a 12-hour clock (12 for hours 0 and 12; no AM/PM indicator), HH the hour on a 24-hour clock,
// mm the minutes and ss the seconds, each two digits. Every other character of the picture,
// double-byte GBK characters included, is copied unchanged.
#pragma once

#include <string_view>

#include "runtime/text.h"
#include "toolkit/system_time.h"

// The picture filled in from the fields; force24 shows hh on the 24-hour clock too.
Text FormatPicture(const SystemTime& time, std::string_view picture, bool force24);
