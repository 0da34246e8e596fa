// Message boxes on the window system: asked for from any thread by AskBox, the rest main thread
// only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "runtime/text.h"
#include "window_app/framework/window_description.h"

class QMessageBox;

namespace window_framework {

struct BoxRequest {
  Text text;
  Text caption;
  uint32_t flags = 0;
  const WindowDescription* parent = nullptr;
};

// Shows the box and returns its answer once it is answered: the program's windows (or, with a
// parent, that window) wait meanwhile, while events go on being processed.
int32_t RunModalBox(const BoxRequest& request);
// Shows the box holding no window (with a parent, holding that one) and returns at once; done
// gets the answer when the box is answered or closed.
void ShowModelessBox(const BoxRequest& request, std::function<void(int32_t)> done);

// Shows the box and waits for its answer, from any thread: on the main thread RunModalBox; for
// another thread the main thread shows it with ShowModelessBox and goes on, while the asking
// thread waits. Nothing once the program's windows are gone, or before there is a main thread.
std::optional<int32_t> AskBox(const BoxRequest& request);

// Closes every open box; each gives kAnswerNone.
void CloseOpenMessageBoxes();

// The open boxes, oldest first, and what they show.
std::vector<QMessageBox*> OpenMessageBoxes();
Text BoxCaption(const QMessageBox& box);
Text BoxText(const QMessageBox& box);
uint32_t BoxFlags(const QMessageBox& box);
// Presses the button that gives the answer; false when the box has none.
bool PressBoxButton(QMessageBox& box, int32_t answer);

// Runs on the main thread once each box is on screen.
void SetBoxShownHook(std::function<void(QMessageBox&)> hook);

}  // namespace window_framework
