#include "window_app/framework/testing/window_testing.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPixmap>
#include <thread>

#include "runtime/process.h"
#include "window_app/framework/message_box_widgets.h"
#include "window_app/framework/qt_text.h"
#include "window_app/framework/window_registry.h"
#include "window_app/framework/window_widget.h"

namespace window_testing {
namespace {

OpenMessageBox Describe(const QMessageBox& box) {
  return {window_framework::BoxCaption(box), window_framework::BoxText(box),
          window_framework::BoxFlags(box)};
}

}  // namespace

std::optional<OpenMessageBox> FindOpenMessageBox() {
  const std::vector<QMessageBox*> boxes = window_framework::OpenMessageBoxes();
  if (boxes.empty()) return std::nullopt;
  return Describe(*boxes.back());
}

bool AnswerMessageBox(int32_t answer) {
  const std::vector<QMessageBox*> boxes = window_framework::OpenMessageBoxes();
  return !boxes.empty() && window_framework::PressBoxButton(*boxes.back(), answer);
}

void SetMessageBoxShownHook(std::function<void(const OpenMessageBox&)> hook) {
  if (!hook) {
    window_framework::SetBoxShownHook(nullptr);
    return;
  }
  window_framework::SetBoxShownHook(
      [hook = std::move(hook)](QMessageBox& box) { hook(Describe(box)); });
}

bool ClickUnit(const Unit& unit) {
  auto* button = dynamic_cast<QAbstractButton*>(window_framework::LoadedUnitWidget(unit));
  if (button == nullptr) return false;
  button->click();
  return true;
}

bool CloseWindow(const WindowDescription& window) {
  QWidget* widget = window_framework::LoadedWindowWidget(window);
  return widget != nullptr && widget->close();
}

QWidget* WindowWidget(const WindowDescription& window) {
  return window_framework::LoadedWindowWidget(window);
}

QWidget* UnitWidget(const Unit& unit) { return window_framework::LoadedUnitWidget(unit); }

bool SaveWindowPicture(const WindowDescription& window, const std::string& path) {
  QWidget* widget = window_framework::LoadedWindowWidget(window);
  return widget != nullptr && widget->grab().save(QString::fromStdString(path), "PNG");
}

bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    CmdProcessEvents();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace window_testing
