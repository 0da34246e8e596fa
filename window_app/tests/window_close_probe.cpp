// Runs the windowed program as the user does, for the tests that run it as a process: once the
// main window is shown it is closed again. With the argument "busy", a thread is started on
// crawlThread first that keeps using the window and the globals, as a crawl job does, and goes
// on while the window closes. Prints "exit routines ran" once the program's exit routine has
// run.
#include <chrono>
#include <cstdio>
#include <string_view>
#include <thread>

#include "platform/message_queue.h"
#include "platform/program_end.h"
#include "window_app/framework/program_framework.h"
#include "window_app/framework/testing/window_testing.h"
#include "window_app/framework/unit_properties.h"
#include "window_app/framework/window_registry.h"
#include "window_app/globals.h"
#include "window_app/log_line.h"
#include "window_app/main_window.h"
#include "window_app/program_main.h"

namespace {

uint32_t BusyCrawl(intptr_t) {
  saveFolder = "/tmp/unused/";
  for (;;) {
    LogLine("下载成功:" + saveFolder + std::to_string(categories->Count()));
    RtWriteUnitProperty(按钮_开始工作, kUnitCaption, Text("停止"));
    RtWriteUnitProperty(按钮_暂停工作, kUnitDisabled, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

void ReportExitRoutinesRan() { std::fputs("exit routines ran\n", stdout); }

void CloseMainWindow() {
  // Registered after FreeGlobals, so it runs after it.
  RtRegisterExitRoutine(&ReportExitRoutinesRan);
  window_testing::CloseWindow(kMainWindow);
}

}  // namespace

int main(int argc, char** argv) {
  const bool busy = argc > 1 && std::string_view(argv[1]) == "busy";
  platform::MessageQueue::OfCurrentThread();
  const platform::ThreadId mainThread = platform::CurrentThreadId();
  std::thread([busy, mainThread] {
    while (window_framework::StateOf(kMainWindow) != window_framework::WindowState::kLoaded) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (busy) {
      platform::PostThreadMessage(
          mainThread, {.handler = [] { Thread::Start(crawlThread->Cell(), &BusyCrawl); }});
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    platform::PostThreadMessage(mainThread, {.handler = &CloseMainWindow});
  }).detach();
  ProgramMain();
  platform::EndProgram(0);
}
