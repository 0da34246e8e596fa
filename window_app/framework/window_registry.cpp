#include "window_app/framework/window_registry.h"

#include <QCoreApplication>
#include <QPointer>
#include <map>
#include <mutex>

#include "platform/fatal_error.h"
#include "window_app/framework/main_thread.h"
#include "window_app/framework/message_box_widgets.h"
#include "window_app/framework/window_widget.h"

namespace window_framework {
namespace {

struct Entry {
  WindowState state = WindowState::kNeverLoaded;
  QPointer<WindowWidget> widget;  // main thread only
};

struct Registry {
  std::mutex mutex;
  std::map<const WindowDescription*, Entry> windows;
};

Registry& Windows() {
  static Registry* registry = new Registry;  // other threads look here until the process ends
  return *registry;
}

}  // namespace

WindowState StateOf(const WindowDescription& window) {
  std::lock_guard lock(Windows().mutex);
  auto found = Windows().windows.find(&window);
  return found == Windows().windows.end() ? WindowState::kNeverLoaded : found->second.state;
}

void CheckEverLoaded(const WindowDescription& window, const std::source_location& where) {
  if (StateOf(window) == WindowState::kNeverLoaded) {
    platform::RaiseFatalError(std::nullopt, "未载入欲访问窗口组件所在的窗口", where);
  }
}

void WindowLoaded(const WindowDescription& window, WindowWidget* widget) {
  std::lock_guard lock(Windows().mutex);
  Entry& entry = Windows().windows[&window];
  entry.state = WindowState::kLoaded;
  entry.widget = widget;
}

void WindowClosed(const WindowDescription& window) {
  {
    std::lock_guard lock(Windows().mutex);
    Entry& entry = Windows().windows[&window];
    if (entry.state != WindowState::kLoaded) return;
    entry.state = WindowState::kClosed;
    if (entry.widget) entry.widget->deleteLater();
    entry.widget = nullptr;
  }
  if (AnyWindowLoaded()) return;
  AbandonWaitingCalls();
  CloseOpenMessageBoxes();
  QCoreApplication::quit();
}

bool AnyWindowLoaded() {
  std::lock_guard lock(Windows().mutex);
  for (const auto& [description, entry] : Windows().windows) {
    if (entry.state == WindowState::kLoaded) return true;
  }
  return false;
}

WindowWidget* LoadedWindowWidget(const WindowDescription& window) {
  std::lock_guard lock(Windows().mutex);
  auto found = Windows().windows.find(&window);
  return found == Windows().windows.end() ? nullptr : found->second.widget.data();
}

QWidget* LoadedUnitWidget(const Unit& unit) {
  WindowWidget* window = unit.window != nullptr ? LoadedWindowWidget(*unit.window) : nullptr;
  return window != nullptr ? window->UnitWidget(unit.index) : nullptr;
}

}  // namespace window_framework
