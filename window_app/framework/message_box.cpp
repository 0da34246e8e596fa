#include "window_app/framework/message_box.h"

#include <QCoreApplication>

#include "window_app/framework/main_thread.h"
#include "window_app/framework/message_box_widgets.h"
#include "window_app/framework/window_registry.h"

using window_framework::BoxRequest;

int32_t CmdMessageBox(std::string_view text, std::optional<uint32_t> flags,
                      std::optional<std::string_view> caption, const WindowDescription* parent) {
  uint32_t boxFlags = flags.value_or(MB_OK);
  if ((boxFlags & MB_SYSTEMMODAL) == 0) boxFlags |= MB_TASKMODAL;
  const BoxRequest request{Text(text), caption ? Text(*caption) : Text("信息："), boxFlags, parent};
  if (window_framework::OnMainThread()) {
    if (window_framework::WaitingCallsAbandoned()) return kAnswerNone;
    return window_framework::RunModalBox(request);
  }
  using Reply = window_framework::Reply<int32_t>;
  return window_framework::AskMainThread<int32_t>([request](const std::shared_ptr<Reply>& reply) {
           window_framework::ShowModelessBox(request,
                                             [reply](int32_t answer) { reply->Complete(answer); });
         })
      .value_or(kAnswerNone);
}
