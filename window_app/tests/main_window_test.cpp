#include <unistd.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <thread>

#include "platform/message_queue.h"
#include "runtime/process.h"
#include "toolkit/sleep_pumping.h"
#include "window_app/framework/edit_box.h"
#include "window_app/framework/qt_text.h"
#include "window_app/framework/unit_properties.h"
#include "window_app/jpg_list.h"
#include "window_app/log_line.h"
#include "window_app/tests/window_fixture.h"

namespace {

using window_framework::FromQString;
using window_testing::UnitWidget;
using window_testing::WindowWidget;

Text CaptionOf(const Unit& unit) { return UnitValueText(RtReadUnitProperty(unit, kUnitCaption)); }

class MainWindowTest : public MainWindowFixture {};

TEST_F(MainWindowTest, WindowFromItsDescription) {
  QWidget* window = WindowWidget(kMainWindow);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(FromQString(window->windowTitle()), "TrovanelVv1.0");
  // The outer size, frame included, is the description's; the client area is what is left of
  // it, and fixed.
  EXPECT_EQ(window->frameGeometry().size(), QSize(kMainWindow.width, kMainWindow.height));
  const QMargins frame = window->windowHandle()->frameMargins();
  EXPECT_EQ(window->size(), QSize(kMainWindow.width - frame.left() - frame.right(),
                                  kMainWindow.height - frame.top() - frame.bottom()));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  const QPoint screenCentre = window->screen()->availableGeometry().center();
  EXPECT_LE((window->frameGeometry().center() - screenCentre).manhattanLength(), 2);

  ASSERT_EQ(kMainWindow.units.size(), 3u);
  for (int32_t index = 0; index < static_cast<int32_t>(kMainWindow.units.size()); ++index) {
    const UnitDescription& described = kMainWindow.units[index];
    const Unit unit{&kMainWindow, index};
    const std::string name(described.name);
    QWidget* widget = UnitWidget(unit);
    ASSERT_NE(widget, nullptr) << name;
    EXPECT_EQ(FromQString(widget->objectName()), described.name);
    EXPECT_EQ(widget->geometry(),
              QRect(described.left, described.top, described.width, described.height))
        << name;
    EXPECT_TRUE(widget->isVisible()) << name;
    EXPECT_TRUE(widget->isEnabled()) << name;
    EXPECT_EQ(CaptionOf(unit), described.caption) << name;
    EXPECT_EQ(UnitValueInteger(RtReadUnitProperty(unit, kUnitDisabled)), 0) << name;
  }
  EXPECT_NE(dynamic_cast<QPushButton*>(UnitWidget(按钮_开始工作)), nullptr);
}

TEST_F(MainWindowTest, LogBoxAttributes) {
  auto* box = dynamic_cast<QPlainTextEdit*>(UnitWidget(编辑框_日志));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(box->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
  EXPECT_FALSE(box->isReadOnly());
  EXPECT_EQ(box->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(box->maximumBlockCount(), 0);
  EXPECT_TRUE(box->toPlainText().isEmpty());
  EXPECT_EQ(box->document()->defaultTextOption().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignLeft);
  const QPalette colours = box->palette();
  EXPECT_EQ(colours.color(QPalette::Active, QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(colours.color(QPalette::Active, QPalette::Text), QColor(Qt::black));
  // Without the focus the selection is painted in the colours of the text itself: hidden.
  EXPECT_EQ(colours.color(QPalette::Inactive, QPalette::Highlight),
            colours.color(QPalette::Inactive, QPalette::Base));
  EXPECT_EQ(colours.color(QPalette::Inactive, QPalette::HighlightedText),
            colours.color(QPalette::Inactive, QPalette::Text));
}

TEST_F(MainWindowTest, AppendKeepsTheTextAndReadsBackWithCrLf) {
  auto* box = dynamic_cast<QPlainTextEdit*>(UnitWidget(编辑框_日志));
  ASSERT_NE(box, nullptr);
  box->insertPlainText(QStringLiteral("typed"));  // an edit of the user's, which can be undone
  ASSERT_TRUE(box->document()->isUndoAvailable());
  CmdEditAppend(编辑框_日志, " a", "b\r\n", "已暂停线程");
  LogLine("第二行");
  // A stray byte that is not GBK survives the round trip through the box.
  CmdEditAppend(编辑框_日志, "\x81z");
  const Text text = CaptionOf(编辑框_日志);
  ASSERT_TRUE(text.starts_with("typed ab\r\n已暂停线程[ ")) << text;
  EXPECT_TRUE(text.ends_with("] 第二行\r\n\x81z")) << text;
  EXPECT_FALSE(box->document()->isUndoAvailable());
  EXPECT_EQ(box->textCursor().position(), box->document()->characterCount() - 1);

  // Writing the caption replaces the whole text.
  RtWriteUnitProperty(编辑框_日志, kUnitCaption, Text("one\r\ntwo"));
  EXPECT_EQ(CaptionOf(编辑框_日志), "one\r\ntwo");
  EXPECT_EQ(box->document()->blockCount(), 2);
}

TEST_F(MainWindowTest, ALogLineIsOneLineWhateverItsTextHolds) {
  LogLine("x.rar\r\n[ 12:00:00] 假\x1b[2J");
  const Text text = CaptionOf(编辑框_日志);
  EXPECT_TRUE(text.ends_with("] x.rar\\x0d\\x0a[ 12:00:00] 假\\x1b[2J\r\n")) << text;
  EXPECT_EQ(text.find("\r\n"), text.size() - 2) << text;
}

TEST_F(MainWindowTest, PictureShowsTheChineseCaptions) {
  LogLine("线程池创建成功<并发线程数：42>");
  LogLine("等待线程结束...");
  // Into the build folder for whoever builds, or the test's own where that is not writable
  // (the tests run by a user who did not build them).
  const bool buildWritable = access(TROVANEL_PICTURE_FOLDER, W_OK) == 0;
  const std::string path =
      (buildWritable ? std::filesystem::path(TROVANEL_PICTURE_FOLDER) : home_.Path()).string() +
      "/main_window.png";
  ASSERT_TRUE(window_testing::SaveWindowPicture(kMainWindow, path));
  EXPECT_TRUE(std::filesystem::file_size(path) > 0);
}

TEST_F(MainWindowTest, MainThreadProcessEventsServesTheWindowSystemAndItsQueue) {
  bool timerFired = false;
  QTimer::singleShot(0, [&] { timerFired = true; });
  CmdProcessEvents();
  EXPECT_TRUE(timerFired);

  // A message posted to the main thread's queue wakes the running message loop; here it
  // closes the window, which ends the loop.
  const platform::ThreadId mainThread = platform::CurrentThreadId();
  std::thread poster([mainThread] {
    platform::PostThreadMessage(mainThread,
                                {.handler = [] { window_testing::CloseWindow(kMainWindow); }});
  });
  RtRunMessageLoop();
  poster.join();
  EXPECT_EQ(WindowWidget(kMainWindow), nullptr);
  RtRunMessageLoop();  // no window left: returns at once
}

TEST_F(MainWindowTest, SleepPumpingOnTheMainThreadServesTheWindowSystem) {
  bool timerFired = false;
  QTimer::singleShot(10, [&] { timerFired = true; });
  SleepPumping(60);
  EXPECT_TRUE(timerFired);
}

TEST_F(MainWindowTest, ClickRunsTheBoundHandler) {
  // The pause button's handler, with no pool running: only the note and the caption change.
  // (The start button's jobs are the crawl job tests'.)
  EXPECT_TRUE(window_testing::ClickUnit(按钮_暂停工作));
  EXPECT_EQ(CaptionOf(按钮_暂停工作), "继续");
  EXPECT_EQ(CaptionOf(编辑框_日志), "已暂停线程");
  EXPECT_TRUE(window_testing::ClickUnit(按钮_暂停工作));
  EXPECT_EQ(CaptionOf(按钮_暂停工作), "暂停");
  EXPECT_EQ(CaptionOf(编辑框_日志), "已暂停线程");
  EXPECT_FALSE(window_testing::ClickUnit(编辑框_日志));
}

class JpgListTest : public MainWindowFixture {};

std::vector<Text> Lines() { return {jpgLines->begin(), jpgLines->end()}; }

TEST_F(JpgListTest, CreationReadsNothingWithoutAFile) { EXPECT_EQ(jpgLines->Count(), 0); }

TEST_F(JpgListTest, LinesOfTheFile) {
  struct Case {
    std::string bytes;
    std::vector<Text> lines;
  };
  const Case cases[] = {
      {"a.jpg\r\nb.jpg\r\n", {"a.jpg", "b.jpg"}},
      {"", {}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {std::string("a\r\nb\0c\r\nd", 10), {"a", "b"}},
      {"一\n二", {"一\n二"}},
  };
  for (const Case& c : cases) {
    home_.WriteJpgList(c.bytes);
    LoadJpgList();
    EXPECT_EQ(Lines(), c.lines) << c.bytes;
  }
  std::filesystem::remove(home_.Desktop() / "jpg.xml");
  LoadJpgList();
  EXPECT_EQ(jpgLines->Count(), 0);
}

class JpgListAtCreationTest : public JpgListTest {
 protected:
  void BeforeLoad() override { home_.WriteJpgList("x.jpg\r\ny.jpg\r\n"); }
};

TEST_F(JpgListAtCreationTest, CreationEventReadsTheDesktopFile) {
  EXPECT_EQ(Lines(), (std::vector<Text>{"x.jpg", "y.jpg"}));
}

}  // namespace
