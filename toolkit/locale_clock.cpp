#include "toolkit/locale_clock.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>

namespace {

// The user's LC_TIME time format, read without touching the process's own locale.
std::string UserTimeFormat() {
  locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return "";
  std::string format = nl_langinfo_l(T_FMT, user);
  freelocale(user);
  return format;
}

std::optional<std::string>& OverriddenFormat() {
  static std::optional<std::string> format;
  return format;
}

}  // namespace

int32_t TimeFormatIs24Hour(std::string_view format) {
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    size_t j = i + 1;
    while (j < format.size() && std::string_view("_-0^#").find(format[j]) != std::string_view::npos)
      ++j;
    while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) ++j;
    if (j < format.size() && (format[j] == 'E' || format[j] == 'O')) ++j;
    if (j >= format.size()) return 0;
    switch (format[j]) {
      case 'H':
      case 'k':
      case 'R':
      case 'T':
        return 1;
      case 'I':
      case 'l':
      case 'r':
        return 0;
      default:
        break;  // "%%" and every other conversion say nothing of the clock
    }
    i = j;
  }
  return 0;
}

int32_t LocaleIs24Hour() {
  if (const std::optional<std::string>& format = OverriddenFormat()) {
    return TimeFormatIs24Hour(*format);
  }
  static const int32_t answer = TimeFormatIs24Hour(UserTimeFormat());
  return answer;
}

void OverrideLocaleTimeFormat(std::optional<std::string> timeFormat) {
  OverriddenFormat() = std::move(timeFormat);
}
