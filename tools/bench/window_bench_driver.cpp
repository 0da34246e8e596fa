// trovanel-window as the benchmark runs it: the program itself, with a user who clicks the
// start button once the main window is shown and, when the "完成" box comes, closes it and the
// window. Writes the milliseconds from the click to the box into the file named by its
// argument.
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/message_queue.h"
#include "platform/program_end.h"
#include "window_app/framework/message_box.h"
#include "window_app/framework/testing/window_testing.h"
#include "window_app/framework/window_registry.h"
#include "window_app/main_window.h"
#include "window_app/program_main.h"

namespace {

std::chrono::steady_clock::time_point clickTime;
std::string timingPath;

void CloseMainWindow() { window_testing::CloseWindow(kMainWindow); }

void ClickStart() {
  window_testing::SetMessageBoxShownHook([](const window_testing::OpenMessageBox& box) {
    if (box.text != "完成") return;
    const auto elapsed = std::chrono::steady_clock::now() - clickTime;
    std::ofstream(timingPath)
        << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << "\n";
    window_testing::AnswerMessageBox(kAnswerOk);
    platform::PostThreadMessage(platform::CurrentThreadId(), {.handler = &CloseMainWindow});
  });
  clickTime = std::chrono::steady_clock::now();
  window_testing::ClickUnit(按钮_开始工作);
}

}  // namespace

int main(int argc, char** argv) {
  timingPath = argc > 1 ? argv[1] : "/dev/null";
  platform::MessageQueue::OfCurrentThread();
  const platform::ThreadId mainThread = platform::CurrentThreadId();
  std::thread([mainThread] {
    while (window_framework::StateOf(kMainWindow) != window_framework::WindowState::kLoaded) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    platform::PostThreadMessage(mainThread, {.handler = &ClickStart});
  }).detach();
  ProgramMain();
  platform::EndProgram(0);
}
