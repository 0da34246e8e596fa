// Part of every fuzz target's program. A fatal run-time report is a finding, as a crash is: no
// response of a server may end the program. The report ends the process through _exit, which
// libFuzzer cannot tell from a clean end, so the handler aborts instead: libFuzzer then keeps
// the input that led there, and a replay fails with the report on standard error.
#include <cstdlib>
#include <string_view>

#include "platform/fatal_error.h"

namespace {

[[noreturn]] void AbortOnFatalReport(std::string_view) { std::abort(); }

struct FatalReportAborts {
  FatalReportAborts() { platform::SetFatalReportHandler(&AbortOnFatalReport); }
} fatalReportAborts;

}  // namespace
