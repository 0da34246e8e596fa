// Fatal run-time errors: the conditions after which the program cannot go on (an array index
// out of range, an exhausted heap, a window that cannot be loaded). The report is written to
// standard error, shown by the report handler when one is set (the windowed program's message
// box), and the process ends with exit code 255 without running the registered exit routine.
#pragma once

#include <cstdint>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>

namespace platform {

// The report text in GBK: "运行时出错!" and the optional number and message, then the two
// numbers that locate the failing statement (its line and column).
std::string FatalReportText(std::optional<int32_t> number, std::string_view message,
                            const std::source_location& where);

// Shows the report somewhere besides standard error; it returns once the user has seen it.
using FatalReportHandler = void (*)(const std::string& report);
void SetFatalReportHandler(FatalReportHandler handler);

[[noreturn]] void RaiseFatalError(
    std::optional<int32_t> number, std::string_view message,
    const std::source_location& where = std::source_location::current());

}  // namespace platform
