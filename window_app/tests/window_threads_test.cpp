// The window from other threads: properties, appends, log lines and message boxes.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

#include "runtime/process.h"
#include "runtime/text_operations.h"
#include "window_app/framework/message_box.h"
#include "window_app/framework/unit_properties.h"
#include "window_app/log_line.h"
#include "window_app/tests/window_fixture.h"

namespace {

using window_testing::FindOpenMessageBox;
using window_testing::ProcessEventsUntil;

class WindowThreadsTest : public MainWindowFixture {};

TEST_F(WindowThreadsTest, WritesFromAnotherThreadTakeEffectInOrder) {
  std::atomic<bool> done{false};
  Text captionSeenByThread;
  WindowTestThread crawl([&] {
    RtWriteUnitProperty(按钮_开始工作, kUnitCaption, Text("停止"));
    RtWriteUnitProperty(按钮_暂停工作, kUnitDisabled, 1);
    RtWriteUnitProperty(按钮_开始工作, kUnitCaption, Text("开始"));
    // A read waits for the main thread, and comes after the writes made before it.
    captionSeenByThread = UnitValueText(RtReadUnitProperty(按钮_开始工作, kUnitCaption));
    done = true;
  });
  ASSERT_TRUE(ProcessEventsUntil([&] { return done.load(); }));
  crawl.join();
  EXPECT_EQ(captionSeenByThread, "开始");
  EXPECT_EQ(UnitValueText(RtReadUnitProperty(按钮_开始工作, kUnitCaption)), "开始");
  EXPECT_EQ(UnitValueInteger(RtReadUnitProperty(按钮_暂停工作, kUnitDisabled)), 1);
  EXPECT_FALSE(window_testing::UnitWidget(按钮_暂停工作)->isEnabled());

  // A write never waits for the main thread: these return while it is busy elsewhere.
  std::thread writer([] {
    RtWriteUnitProperty(按钮_暂停工作, kUnitDisabled, 0);
    RtWriteUnitProperty(按钮_开始工作, kUnitCaption, Text("停止"));
  });
  writer.join();
  EXPECT_EQ(UnitValueText(RtReadUnitProperty(按钮_开始工作, kUnitCaption)), "开始");
  ASSERT_TRUE(ProcessEventsUntil(
      [] { return UnitValueText(RtReadUnitProperty(按钮_开始工作, kUnitCaption)) == "停止"; }));
  EXPECT_TRUE(window_testing::UnitWidget(按钮_暂停工作)->isEnabled());
}

TEST_F(WindowThreadsTest, LogLinesFromManyThreadsStayWhole) {
  constexpr int kThreads = 8;
  constexpr int kLines = 40;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) {
        LogLine("线程 " + std::to_string(t) + " 行 " + std::to_string(i));
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  Text text;
  ASSERT_TRUE(ProcessEventsUntil([&] {
    text = UnitValueText(RtReadUnitProperty(编辑框_日志, kUnitCaption));
    return CmdSplitText(text, "\r\n").Count() == kThreads * kLines;
  }));
  EXPECT_TRUE(text.ends_with("\r\n"));
  std::map<int, int> nextLine;  // per thread: its lines come in the order it wrote them
  for (const Text& entry : CmdSplitText(text, "\r\n")) {
    // "[ HH:mm:ss] 线程 t 行 i"
    int thread = -1;
    int number = -1;
    char after = 0;
    ASSERT_EQ(entry.size() > 12 ? entry.substr(0, 2) + entry.substr(4, 1) + entry.substr(7, 1) +
                                      entry.substr(10, 2)
                                : "",
              "[ ::] ")
        << entry;
    ASSERT_EQ(std::sscanf(entry.c_str() + 12, "线程 %d 行 %d%c", &thread, &number, &after), 2)
        << entry;
    EXPECT_EQ(number, nextLine[thread]++) << entry;
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(nextLine[t], kLines);
}

TEST_F(WindowThreadsTest, BoxOfAnotherThreadHoldsOnlyThatThread) {
  struct Case {
    std::optional<uint32_t> flags;
    std::optional<std::string_view> caption;
    int32_t press;
    const char* expectedCaption;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, kAnswerOk, "信息："},
      {MB_OKCANCEL, std::nullopt, kAnswerCancel, "信息："},
      {MB_ABORTRETRYIGNORE, "问题", kAnswerIgnore, "问题"},
      {MB_YESNOCANCEL | MB_ICONQUESTION, std::nullopt, kAnswerNo, "信息："},
      {MB_YESNO, std::nullopt, kAnswerYes, "信息："},
      {MB_RETRYCANCEL, std::nullopt, kAnswerRetry, "信息："},
  };
  for (const Case& c : cases) {
    std::atomic<int32_t> answer{-2};
    WindowTestThread asker([&] { answer = CmdMessageBox("完成", c.flags, c.caption); });
    ASSERT_TRUE(ProcessEventsUntil([] { return FindOpenMessageBox().has_value(); }));
    const window_testing::OpenMessageBox box = *FindOpenMessageBox();
    EXPECT_EQ(box.caption, c.expectedCaption);
    EXPECT_EQ(box.text, "完成");
    EXPECT_EQ(box.flags, c.flags.value_or(0) | MB_TASKMODAL);
    // The main window goes on: nothing holds it, and the asking thread still waits.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(window_testing::ClickUnit(按钮_暂停工作));
    RtWriteUnitProperty(按钮_暂停工作, kUnitCaption, Text("继续"));
    EXPECT_EQ(UnitValueText(RtReadUnitProperty(按钮_暂停工作, kUnitCaption)), "继续");
    CmdProcessEvents();
    EXPECT_EQ(answer.load(), -2);
    EXPECT_FALSE(window_testing::AnswerMessageBox(99));
    ASSERT_TRUE(window_testing::AnswerMessageBox(c.press));
    ASSERT_TRUE(ProcessEventsUntil([&] { return answer.load() != -2; }));
    asker.join();
    EXPECT_EQ(answer.load(), c.press);
    EXPECT_FALSE(FindOpenMessageBox().has_value());
  }
}

TEST_F(WindowThreadsTest, BoxOfTheMainThreadHoldsTheWindow) {
  bool windowHeld = false;
  window_testing::SetMessageBoxShownHook([&](const window_testing::OpenMessageBox& box) {
    windowHeld = QApplication::activeModalWidget() != nullptr;
    EXPECT_EQ(box.caption, "标题");
    window_testing::AnswerMessageBox(kAnswerNo);
  });
  EXPECT_EQ(CmdMessageBox("要继续吗？", MB_YESNO, "标题"), kAnswerNo);
  EXPECT_TRUE(windowHeld);
}

TEST_F(WindowThreadsTest, ClosingTheBoxCountsAsCancelOrOkOnly) {
  struct Case {
    uint32_t flags;
    int32_t expected;  // kAnswerNone: the box cannot be closed so
  };
  const Case cases[] = {{MB_OK, kAnswerOk},
                        {MB_OKCANCEL, kAnswerCancel},
                        {MB_YESNOCANCEL, kAnswerCancel},
                        {MB_YESNO, kAnswerNone},
                        {MB_ABORTRETRYIGNORE, kAnswerNone}};
  for (const Case& c : cases) {
    std::atomic<int32_t> answer{-2};
    WindowTestThread asker([&] { answer = CmdMessageBox("x", c.flags); });
    ASSERT_TRUE(ProcessEventsUntil([] { return FindOpenMessageBox().has_value(); }));
    QWidget* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->isVisible() && widget != window_testing::WindowWidget(kMainWindow)) box = widget;
    }
    ASSERT_NE(box, nullptr);
    const bool closed = box->close();
    CmdProcessEvents();
    if (c.expected == kAnswerNone) {
      EXPECT_FALSE(closed) << c.flags;
      EXPECT_TRUE(FindOpenMessageBox().has_value());
      window_testing::AnswerMessageBox(c.flags == MB_YESNO ? kAnswerYes : kAnswerAbort);
    }
    ASSERT_TRUE(ProcessEventsUntil([&] { return answer.load() != -2; }));
    asker.join();
    if (c.expected != kAnswerNone) {
      EXPECT_EQ(answer.load(), c.expected) << c.flags;
    }
  }
}

TEST_F(WindowThreadsTest, ClosingTheWindowEndsTheLoopAndReleasesEveryThread) {
  std::atomic<int32_t> answer{-2};
  WindowTestThread asker([&] { answer = CmdMessageBox("完成"); });
  ASSERT_TRUE(ProcessEventsUntil([] { return FindOpenMessageBox().has_value(); }));

  // A thread that goes on using the window after it has gone: no fatal report, nothing done.
  std::atomic<bool> stop{false};
  std::atomic<int> lateRounds{0};
  std::thread late([&] {
    while (!stop) {
      RtWriteUnitProperty(按钮_开始工作, kUnitCaption, Text("开始"));
      LogLine("还在写");
      ++lateRounds;
    }
  });
  QTimer::singleShot(20, [] { window_testing::CloseWindow(kMainWindow); });
  RtRunMessageLoop();  // returns although a box is open
  EXPECT_FALSE(FindOpenMessageBox().has_value());
  asker.join();
  EXPECT_EQ(answer.load(), kAnswerNone);
  const int roundsAtClose = lateRounds.load();
  while (lateRounds.load() < roundsAtClose + 10) std::this_thread::yield();
  EXPECT_EQ(UnitValueText(RtReadUnitProperty(按钮_开始工作, kUnitCaption)), "");
  std::thread reader([] {
    EXPECT_EQ(UnitValueText(RtReadUnitProperty(按钮_开始工作, kUnitCaption)), "");
    EXPECT_EQ(CmdMessageBox("太晚了"), kAnswerNone);
  });
  reader.join();
  stop = true;
  late.join();
}

}  // namespace
