// Which clock the user's locale shows the time on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// 1 when the user's locale (its LC_TIME category) shows the time on a 24-hour clock, 0 when it
// uses a 12-hour clock or cannot tell. The locale is read from the environment once per process,
// as the platform reads the user's settings.
int32_t LocaleIs24Hour();

// The clock of a strftime time format: 1 when its first hour conversion is a 24-hour one (%H,
// %k, %R, %T), 0 for a 12-hour one (%I, %l, %r) and for a format with no hour at all.
// Flags, a field width and the E and O modifiers may stand between the % and the conversion.
int32_t TimeFormatIs24Hour(std::string_view timeFormat);

// For tests: makes LocaleIs24Hour judge this time format instead of the locale's; nothing
// restores the locale's own. Not for use while another thread may call LocaleIs24Hour.
void OverrideLocaleTimeFormat(std::optional<std::string> timeFormat);
