#include "runtime/process.h"

#include <time.h>

#include <chrono>
#include <thread>

#include "platform/console.h"
#include "platform/event_pump.h"
#include "platform/file_system.h"
#include "platform/message_queue.h"
#include "platform/tick_count.h"

namespace {

// Days from 1 January 1970 to the given civil date (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

}  // namespace

void CmdStdOutput(std::optional<int32_t> stream, const std::vector<std::string_view>& texts) {
  const auto target =
      stream == kStandardError ? platform::ConsoleStream::kError : platform::ConsoleStream::kOutput;
  Text joined;
  for (std::string_view text : texts) joined.append(text);
  platform::WriteConsole(target, joined);
}

DateTime DateTimeFromParts(int year, int month, int day, int hour, int minute, int second) {
  const int64_t days =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
      DaysFromCivil(1899, 12, 30);
  const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
  return DateTime{static_cast<double>(days) + fraction};
}

DateTime CmdNow() {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return DateTimeFromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec);
}

Text CmdSpecialFolder(int32_t code) {
  return code == kDesktopFolder ? platform::DesktopFolder() : Text();
}

void CmdProcessEvents() {
  platform::DispatchPendingMessages();
  if (auto pump = platform::CurrentThreadEventPump()) pump();
}

void CmdDelay(int32_t ms) {
  if (ms <= 0) return;
  const uint32_t start = platform::GetTickCount();
  for (;;) {
    CmdProcessEvents();
    CmdProcessEvents();
    // Elapsed time in wrapping arithmetic, so a tick count that wraps does not end the wait early.
    if (platform::GetTickCount() - start > static_cast<uint32_t>(ms)) break;
    CmdProcessEvents();
    CmdProcessEvents();
    // A short nap between polls: the wait keeps serving events without holding a core.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}
