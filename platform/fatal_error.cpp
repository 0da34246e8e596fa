#include "platform/fatal_error.h"

#include <atomic>
#include <cstdio>

#include "platform/codepage.h"
#include "platform/process_end.h"

namespace platform {
namespace {

std::atomic<FatalReportHandler> reportHandler{nullptr};
std::atomic_flag reporting = ATOMIC_FLAG_INIT;

}  // namespace

std::string FatalReportText(std::optional<int32_t> number, std::string_view message,
                            const std::source_location& where) {
  std::string report = "运行时出错!\r\n";
  if (number) report += "\r\n错误代码：" + std::to_string(*number) + "\r\n";
  if (!message.empty()) {
    report += "\r\n错误信息：";
    report += message;
    report += "\r\n";
  }
  report += "\r\n" + std::to_string(where.line()) + ", " + std::to_string(where.column()) + "\r\n";
  return report;
}

void SetFatalReportHandler(FatalReportHandler handler) { reportHandler.store(handler); }

void RaiseFatalError(std::optional<int32_t> number, std::string_view message,
                     const std::source_location& where) {
  // A second thread failing while the first one reports waits for the end of the process.
  if (reporting.test_and_set()) {
    for (;;) reporting.wait(true);
  }
  std::string report = FatalReportText(number, message, where);
  std::string shown = GbkToTerminal(report);
  std::fflush(stdout);
  std::fwrite(shown.data(), 1, shown.size(), stderr);
  std::fflush(stderr);
  if (FatalReportHandler handler = reportHandler.load()) handler(report);
  ExitProcessNow(255);
}

}  // namespace platform
