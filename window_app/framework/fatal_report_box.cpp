#include "window_app/framework/fatal_report_box.h"

#include "platform/fatal_error.h"
#include "platform/message_queue.h"
#include "window_app/framework/main_thread.h"
#include "window_app/framework/message_box.h"
#include "window_app/framework/message_box_widgets.h"

namespace window_framework {
namespace {

void ShowFatalReport(std::string_view report) {
  const BoxRequest request{Text(report), "错误", MB_ICONERROR, nullptr};
  if (OnMainThread()) {
    if (!WaitingCallsAbandoned()) RunModalBox(request);
    return;
  }
  AskMainThread<int32_t>([request](const std::shared_ptr<Reply<int32_t>>& reply) {
    ShowModelessBox(request, [reply](int32_t answer) { reply->Complete(answer); });
  });
}

}  // namespace

void InstallFatalReportBox() {
  platform::SetFatalReportHandler(&ShowFatalReport, platform::CurrentThreadId());
}

}  // namespace window_framework
