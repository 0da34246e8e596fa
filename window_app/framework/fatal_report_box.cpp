#include "window_app/framework/fatal_report_box.h"

#include "platform/fatal_error.h"
#include "platform/message_queue.h"
#include "window_app/framework/message_box.h"
#include "window_app/framework/message_box_widgets.h"

namespace window_framework {
namespace {

void ShowFatalReport(std::string_view report) {
  AskBox({Text(report), "错误", MB_ICONERROR, nullptr});
}

}  // namespace

void InstallFatalReportBox() {
  platform::SetFatalReportHandler(&ShowFatalReport, platform::CurrentThreadId());
}

}  // namespace window_framework
