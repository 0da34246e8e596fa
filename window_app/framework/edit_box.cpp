#include "window_app/framework/edit_box.h"

#include "window_app/framework/edit_box_widget.h"
#include "window_app/framework/main_thread.h"
#include "window_app/framework/qt_text.h"
#include "window_app/framework/window_registry.h"

namespace {

void AppendNow(const Unit& editBox, const std::vector<Text>& texts) {
  auto* box =
      dynamic_cast<window_framework::EditBoxWidget*>(window_framework::LoadedUnitWidget(editBox));
  if (box == nullptr) return;
  for (const Text& text : texts) box->AppendAtEnd(window_framework::ToQString(text));
}

}  // namespace

void CmdEditAppend(const Unit& editBox, const std::vector<std::string_view>& texts,
                   const std::source_location& where) {
  window_framework::CheckEverLoaded(*editBox.window, where);
  // A closed window's box has nothing to take, and nothing is handed over for it.
  if (window_framework::StateOf(*editBox.window) != window_framework::WindowState::kLoaded) return;
  window_framework::RunOnMainThread(
      [editBox, copies = std::vector<Text>(texts.begin(), texts.end())] {
        AppendNow(editBox, copies);
      });
}
