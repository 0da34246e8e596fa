// Which described windows are loaded: the state every unit access looks at, from any thread,
// and the widgets behind them, on the main thread.
#pragma once

#include <source_location>

#include "window_app/framework/window_description.h"

class QWidget;

namespace window_framework {

class WindowWidget;

enum class WindowState { kNeverLoaded, kLoaded, kClosed };

WindowState StateOf(const WindowDescription& window);

// The fatal error "未载入欲访问窗口组件所在的窗口" when the window has never been loaded.
void CheckEverLoaded(const WindowDescription& window, const std::source_location& where);

// Main thread only.
void WindowLoaded(const WindowDescription& window, WindowWidget* widget);
// Main thread only: the window is gone. When it was the last one, the program's windows have
// ended: open message boxes close, waiting threads are released, the message loop ends.
void WindowClosed(const WindowDescription& window);
bool AnyWindowLoaded();
// Main thread only: the loaded window's widget and its unit's; null when not loaded.
WindowWidget* LoadedWindowWidget(const WindowDescription& window);
QWidget* LoadedUnitWidget(const Unit& unit);

}  // namespace window_framework
