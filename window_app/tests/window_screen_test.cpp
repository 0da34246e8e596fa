// The window on a real X server without a window manager (a private Xvfb): what the screen
// shows, read back from the server.
#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QSet>
#include <QWidget>
#include <QWindow>
#include <atomic>

#include "tests/x_server.h"
#include "window_app/framework/message_box.h"
#include "window_app/tests/window_fixture.h"

namespace {

using window_testing::ProcessEventsUntil;

class WindowScreenTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    const XServer& server = ProcessXServer();
    if (server.status == XServer::Status::kNotInstalled) GTEST_SKIP() << server.reason;
    ASSERT_EQ(server.status, XServer::Status::kRunning) << server.reason;
    // Before the window system starts, with the first test's window.
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("DISPLAY", server.display.c_str(), 1);
    MainWindowFixture::SetUp();
  }
};

// The open box's window, once the window system shows it.
QWidget* ExposedBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget == window_testing::WindowWidget(kMainWindow) || !widget->isVisible()) continue;
    if (widget->windowHandle() != nullptr && widget->windowHandle()->isExposed()) return widget;
  }
  return nullptr;
}

int DistinctColours(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  }
  return static_cast<int>(colours.size());
}

TEST_F(WindowScreenTest, TheBoxOfTheCrawlThreadShowsItsTextAndButtonOverTheWindow) {
  std::atomic<int32_t> answer{-2};
  WindowTestThread crawl([&] { answer = CmdMessageBox("完成", 0); });
  QWidget* box = nullptr;
  ASSERT_TRUE(ProcessEventsUntil([&] { return (box = ExposedBox()) != nullptr; }));
  // Centred on the main window, over its empty log box: a box that the server shows unpainted
  // reads as one colour there, black or the log box's white.
  const QRect window = window_testing::WindowWidget(kMainWindow)->frameGeometry();
  EXPECT_TRUE(window.contains(box->frameGeometry())) << "the box lies within the window";
  // The box painted itself on its exposure; on X a grab of its window reads the root window's
  // pixels in its place back from the server: what the screen shows there. (Not xwd's reading,
  // which gives black for a window lying wholly within another of the same private colormap, as
  // Qt's windows are.)
  const QImage shown = box->screen()->grabWindow(box->winId()).toImage();
  EXPECT_EQ(shown.size(), box->size());
  EXPECT_GT(DistinctColours(shown), 1) << "the box shows one flat colour";

  ASSERT_TRUE(window_testing::AnswerMessageBox(kAnswerOk));
  ASSERT_TRUE(ProcessEventsUntil([&] { return answer.load() != -2; }));
  crawl.join();
  EXPECT_EQ(answer.load(), kAnswerOk);
}

}  // namespace
