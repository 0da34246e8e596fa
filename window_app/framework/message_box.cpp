#include "window_app/framework/message_box.h"

#include "window_app/framework/message_box_widgets.h"

using window_framework::BoxRequest;

int32_t CmdMessageBox(std::string_view text, std::optional<uint32_t> flags,
                      std::optional<std::string_view> caption, const WindowDescription* parent) {
  uint32_t boxFlags = flags.value_or(MB_OK);
  if ((boxFlags & MB_SYSTEMMODAL) == 0) boxFlags |= MB_TASKMODAL;
  const BoxRequest request{Text(text), caption ? Text(*caption) : Text("信息："), boxFlags, parent};
  return window_framework::AskBox(request).value_or(kAnswerNone);
}
