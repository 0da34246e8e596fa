#include "platform/fatal_error.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/process_end.h"

namespace platform {
namespace {

std::atomic<FatalReportHandler> reportHandler{nullptr};
std::atomic<pid_t> handlerThread{0};
std::atomic_flag reporting = ATOMIC_FLAG_INIT;
std::atomic<bool> reportWritten{false};
// Plain thread-local storage, which a thread has from its start: nothing to allocate.
constinit thread_local bool makingReport = false;

// Room left in the report for what follows the message: the location line and its breaks.
constexpr size_t kRoomAfterMessage = 64;

// Appends to a fixed buffer, dropping what does not fit.
class ReportWriter {
 public:
  ReportWriter(char* text, size_t capacity) : text_(text), capacity_(capacity) {}

  void Append(std::string_view piece) {
    const size_t taken = std::min(piece.size(), capacity_ - size_);
    std::memcpy(text_ + size_, piece.data(), taken);
    size_ += taken;
  }
  // In decimal, a minus sign only when negative.
  template <typename Number>
  void AppendNumber(Number number) {
    char digits[16];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number);
    Append(std::string_view(digits, static_cast<size_t>(end.ptr - digits)));
  }
  // As much of the text as leaves `keep` bytes free, cut before a character that does not fit.
  void AppendLeaving(std::string_view text, size_t keep) {
    const size_t room = capacity_ - std::min(capacity_, size_ + keep);
    size_t end = 0;
    while (end < text.size()) {
      const size_t next = end + (IsDoubleByteLead(text[end]) ? 2 : 1);
      if (next > room || next > text.size()) break;
      end = next;
    }
    Append(text.substr(0, end));
  }
  size_t Size() const { return size_; }

 private:
  char* text_;
  size_t capacity_;
  size_t size_ = 0;
};

}  // namespace

FatalReport::FatalReport(std::optional<int32_t> number, std::string_view message,
                         const std::source_location& where) noexcept {
  ReportWriter report(text_, kCapacity);
  report.Append("运行时出错!\r\n");
  if (number) {
    report.Append("\r\n错误代码：");
    report.AppendNumber(*number);
    report.Append("\r\n");
  }
  if (!message.empty()) {
    report.Append("\r\n错误信息：");
    report.AppendLeaving(message, kRoomAfterMessage);
    report.Append("\r\n");
  }
  report.Append("\r\n");
  report.AppendNumber(where.line());
  report.Append(", ");
  report.AppendNumber(where.column());
  report.Append("\r\n");
  size_ = report.Size();
}

void SetFatalReportHandler(FatalReportHandler handler, pid_t shownBy) {
  handlerThread.store(shownBy);
  reportHandler.store(handler);
}

void RaiseFatalError(std::optional<int32_t> number, std::string_view message,
                     const std::source_location& where) noexcept {
  // The report goes on to its end: a cancelled thread would unwind out of it.
  pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, nullptr);
  // Raised while this thread makes its report (from the handler): the report is as far as it
  // will get, and waiting would wait for itself.
  if (makingReport) _exit(255);
  if (reporting.test_and_set()) {
    if (gettid() == handlerThread.load()) {
      reportWritten.wait(false);
      _exit(255);
    }
    for (;;) reporting.wait(true);
  }
  makingReport = true;
  const FatalReport report(number, message, where);
  char shown[3 * FatalReport::kCapacity];
  std::fflush(stdout);
  WriteConsoleBytes(ConsoleStream::kError, GbkToTerminalForFatalReport(report.Text(), shown));
  reportWritten.store(true);
  reportWritten.notify_all();
  if (FatalReportHandler handler = reportHandler.load()) {
    try {
      handler(report.Text());
    } catch (...) {
      // The report is on standard error; the process ends as it would have.
    }
  }
  ExitProcessNow(255);
}

}  // namespace platform
