// Runs the windowed program as the user does, for the tests that run it as a process: once the
// main window is shown it is closed again. Prints "exit routines ran" once the program's exit
// routine has run. With an argument, threads that keep working are started first and go on
// while the window closes:
//   "busy": a thread on crawlThread, as a crawl job, that creates the pool, posts tasks that never
//           end, and keeps using the pool, the window and the globals itself; the window closes
//           once both tasks run;
//   "tasks": the same, but the crawl thread ends after posting, as after a stop that did not
//           wait for the workers;
//   "job":  a click on the start button, as the user starts a crawl job; the window closes when
//           standard input ends, which the test that runs the probe decides.
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

void EndlessTask(int32_t argument, int32_t) {
  for (;;) {
    LogLine(saveFolder + std::to_string(argument) + "/" + std::to_string(categories->Count()));
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

uint32_t BusyCrawl(intptr_t endAfterPosting) {
  saveFolder = "/tmp/unused/";
  categories->Append(CategoryRecord{});
  ThreadPool::Create(threadPool->Cell(), {.initialThreads = 2, .maxThreads = 2});
  ThreadPool::Post(threadPool->Cell(), &EndlessTask, 1);
  ThreadPool::Post(threadPool->Cell(), &EndlessTask, 2);
  if (endAfterPosting != 0) return 0;
  for (;;) {
    LogLine("下载成功:" + saveFolder + std::to_string(ThreadPool::BusyCount(threadPool->Cell())));
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
  const std::string_view mode = argc > 1 ? argv[1] : "";
  const bool busy = mode == "busy" || mode == "tasks";
  const bool job = mode == "job";
  const intptr_t endAfterPosting = mode == "tasks" ? 1 : 0;
  platform::MessageQueue::OfCurrentThread();
  const platform::ThreadId mainThread = platform::CurrentThreadId();
  std::thread([busy, job, endAfterPosting, mainThread] {
    while (window_framework::StateOf(kMainWindow) != window_framework::WindowState::kLoaded) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (busy) {
      platform::PostThreadMessage(
          mainThread, {.handler = [] { Thread::Start(crawlThread->Cell(), &BusyCrawl); }});
      while (ThreadPool::BusyCount(threadPool->Cell()) < 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    if (job) {
      platform::PostThreadMessage(mainThread,
                                  {.handler = [] { window_testing::ClickUnit(按钮_开始工作); }});
      while (std::getchar() != EOF) {
      }
    }
    platform::PostThreadMessage(mainThread, {.handler = &CloseMainWindow});
  }).detach();
  ProgramMain();
  platform::EndProgram(0);
}
