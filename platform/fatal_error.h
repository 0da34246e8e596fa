// Fatal run-time errors: the conditions after which the program cannot go on (an array index
// out of range, an exhausted heap, a window that cannot be loaded). The report is written to
// standard error, shown by the report handler when one is set (the windowed program's message
// box), and the process ends with exit code 255 without running the registered exit routine.
//
// The road from the error to the end allocates nothing and throws nothing until the report is
// on standard error, since the error may be the heap's own: the report is made in storage of
// its own and converted for the terminal by a converter made when the program started.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <source_location>
#include <string_view>

namespace platform {

// The report text in GBK: "运行时出错!" and the optional number and message, then the two
// numbers that locate the failing statement (its line and column). A message too long for the
// report is cut at a character.
class FatalReport {
 public:
  static constexpr size_t kCapacity = 1024;

  FatalReport(std::optional<int32_t> number, std::string_view message,
              const std::source_location& where) noexcept;

  std::string_view Text() const { return std::string_view(text_, size_); }

 private:
  char text_[kCapacity];
  size_t size_ = 0;
};

// Shows the report somewhere besides standard error; it returns once the user has seen it. It
// may allocate: a fatal error raised while it runs ends the process at once with 255.
using FatalReportHandler = void (*)(std::string_view report);
// shownBy names the thread that the handler waits on when another thread reports (a thread id
// as CurrentThreadId gives it; 0 for none): a fatal error of its own while another thread's
// report is under way ends the process with 255 once that report is on standard error, since
// the report would otherwise wait for it while it waits for the report to end.
void SetFatalReportHandler(FatalReportHandler handler, pid_t shownBy = 0);

// A second thread that fails while one reports waits for the end of the process, so that the
// first report is shown whole.
[[noreturn]] void RaiseFatalError(
    std::optional<int32_t> number, std::string_view message,
    const std::source_location& where = std::source_location::current()) noexcept;

}  // namespace platform
