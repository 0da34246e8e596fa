// What tests need of the window framework: finding and answering message boxes, clicking
// units, closing windows, looking at the widgets and saving a picture of a window. Main thread
// only, like the widgets themselves.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "runtime/text.h"
#include "window_app/framework/window_description.h"

class QWidget;

namespace window_testing {

struct OpenMessageBox {
  Text caption;
  Text text;
  uint32_t flags = 0;  // as shown: MB_TASKMODAL added where CmdMessageBox adds it
};

// The newest open box.
std::optional<OpenMessageBox> FindOpenMessageBox();
// Presses the newest box's button for the answer (kAnswerOk ...); false when no box is open or
// it has no such button.
bool AnswerMessageBox(int32_t answer);
// Runs on the main thread once each box is on screen, also inside a box's own wait (the fatal
// report's box, say); it may answer the box. Null removes it.
void SetMessageBoxShownHook(std::function<void(const OpenMessageBox&)> hook);

// Clicks a button unit as the user does; false when its window is not loaded.
bool ClickUnit(const Unit& unit);
// Closes the window as its title bar's close button does; false when it is not loaded.
bool CloseWindow(const WindowDescription& window);

// The loaded window's widget and a unit's; null when not loaded.
QWidget* WindowWidget(const WindowDescription& window);
QWidget* UnitWidget(const Unit& unit);

// Saves a picture of the loaded window's client area as a PNG file.
bool SaveWindowPicture(const WindowDescription& window, const std::string& path);

// Processes the main thread's events (CmdProcessEvents) until done() holds; false when it still
// does not after the limit.
bool ProcessEventsUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace window_testing
