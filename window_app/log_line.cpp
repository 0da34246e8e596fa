#include "window_app/log_line.h"

#include "threadkit/critical_section.h"
#include "toolkit/control_bytes.h"
#include "toolkit/date_time_format.h"
#include "window_app/framework/edit_box.h"
#include "window_app/globals.h"
#include "window_app/main_window.h"

void LogLine(const Text& text) {
  CriticalSection::Enter(logLock->Cell());
  const Text stamp = FormatDateTime(std::nullopt, kDashesAndColonsStyle, kTimePart);
  const Text line = "[" + stamp + "] " + EscapeControlBytes(text) + "\r\n";
  CmdEditAppend(编辑框_日志, line);
  CriticalSection::Leave(logLock->Cell());
}
