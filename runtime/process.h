// Console output, the clock, special folders, event processing and the busy delay.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "runtime/date_time.h"
#include "runtime/text.h"

// The stream argument of CmdStdOutput that names standard error; any other (or none) is
// standard output.
inline constexpr int32_t kStandardError = 2;

// Writes the texts to standard output, or to standard error when stream is kStandardError, with
// nothing added between or after them. They are joined and written at once, unbuffered (see
// platform::WriteConsole): what one call writes stays whole among the calls of other threads
// and reaches the terminal, pipe or file before the call returns.
void CmdStdOutput(std::optional<int32_t> stream, const std::vector<std::string_view>& texts);
template <typename... Texts>
void CmdStdOutput(std::optional<int32_t> stream, const Texts&... texts) {
  CmdStdOutput(stream, std::vector<std::string_view>{std::string_view(texts)...});
}

// The current local date and time, in whole seconds.
DateTime CmdNow();
// The automation date of a local calendar time.
DateTime DateTimeFromParts(int year, int month, int day, int hour, int minute, int second);

// The code of CmdSpecialFolder for the user's desktop folder, the only one there is.
inline constexpr int32_t kDesktopFolder = 3;

// kDesktopFolder gives the user's desktop folder, ending in "/"; "" on failure or for any other
// code.
Text CmdSpecialFolder(int32_t code);

// Dispatches the messages waiting in the calling thread's queue, up to a quit message; on a
// thread with an extra event pump (the windowed program's main thread) it then runs that too.
void CmdProcessEvents();

// Waits ms milliseconds while processing the thread's events; returns at once for ms <= 0.
void CmdDelay(int32_t ms);
