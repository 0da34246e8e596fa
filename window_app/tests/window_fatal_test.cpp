// Fatal reports of the windowed program: on standard error and in the "错误" box.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "platform/codepage.h"
#include "platform/fatal_error.h"
#include "runtime/process.h"
#include "tests/test_text.h"
#include "window_app/framework/message_box.h"
#include "window_app/framework/program_framework.h"
#include "window_app/framework/testing/window_testing.h"
#include "window_app/framework/unit_properties.h"
#include "window_app/main_window.h"

namespace {

// Answers every box at once, telling standard error which box it was: the only way out of a
// death test's child.
void AnswerAndTell(const window_testing::OpenMessageBox& box) {
  const std::string line = "box shown: " + platform::GbkToTerminal(box.caption) + " / " +
                           std::to_string(box.flags) + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  window_testing::AnswerMessageBox(kAnswerOk);
}

using BoxShownHook = void (*)(const window_testing::OpenMessageBox&);

// The main thread fails: it reads a property before the window is loaded.
void FailOnTheMainThread(BoxShownHook hook) {
  RtInitProgram();
  window_testing::SetMessageBoxShownHook(hook);
  RtReadUnitProperty(按钮_开始工作, kUnitCaption);
}

// Another thread fails the same way while the main thread serves its queue.
[[noreturn]] void FailOnAnotherThread(BoxShownHook hook) {
  RtInitProgram();
  window_testing::SetMessageBoxShownHook(hook);
  std::thread([] { RtWriteUnitProperty(按钮_暂停工作, kUnitDisabled, 1); }).detach();
  for (;;) CmdProcessEvents();
}

TEST(WindowFatalDeathTest, PropertyReadBeforeTheWindowIsLoaded) {
  EXPECT_EXIT(
      FailOnTheMainThread(&AnswerAndTell), ::testing::ExitedWithCode(255),
      Utf8(u8"运行时出错!.*错误信息：未载入欲访问窗口组件所在的窗口.*box shown: 错误 / 16\n"));
}

TEST(WindowFatalDeathTest, ReportOfAnotherThreadIsShownByTheMainThread) {
  EXPECT_EXIT(FailOnAnotherThread(&AnswerAndTell), ::testing::ExitedWithCode(255),
              Utf8(u8"未载入欲访问窗口组件所在的窗口.*box shown: 错误 / 16\n"));
}

// A box that fails as it is shown: the report's own road raises a second fatal error.
void FailAgain(const window_testing::OpenMessageBox&) {
  std::fputs("box shown\n", stderr);
  std::fflush(stderr);
  platform::RaiseFatalError(std::nullopt, "second");
}

// A road that waited for itself would wait here for good: the alarm ends the child instead, and
// the test fails rather than hangs.
constexpr unsigned kHangBoundSeconds = 30;

TEST(WindowFatalDeathTest, AFatalErrorWhileTheBoxIsShownEndsTheProgramAtOnce) {
  // The main thread's own report, and one of another thread that the main thread shows.
  const std::string firstReportThenBox =
      Utf8(u8"错误信息：未载入欲访问窗口组件所在的窗口.*box shown\n$");
  EXPECT_EXIT(
      {
        alarm(kHangBoundSeconds);
        FailOnTheMainThread(&FailAgain);
      },
      ::testing::ExitedWithCode(255), firstReportThenBox);
  EXPECT_EXIT(
      {
        alarm(kHangBoundSeconds);
        FailOnAnotherThread(&FailAgain);
      },
      ::testing::ExitedWithCode(255), firstReportThenBox);
}

}  // namespace
