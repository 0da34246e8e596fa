#include "runtime/process.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/event_pump.h"
#include "platform/message_queue.h"
#include "tests/message_during_wait.h"
#include "tests/temp_folder.h"
#include "tests/test_text.h"

namespace {

namespace fs = std::filesystem;

// Points HOME and XDG_CONFIG_HOME at a temporary folder for the test's lifetime.
class DesktopFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.Made());
    home_ = folder_.Path().string();
    Save("HOME", savedHome_);
    Save("XDG_CONFIG_HOME", savedConfig_);
    setenv("HOME", home_.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    Restore("HOME", savedHome_);
    Restore("XDG_CONFIG_HOME", savedConfig_);
  }
  static void Save(const char* name, std::optional<std::string>& saved) {
    if (const char* value = getenv(name)) saved = value;
  }
  static void Restore(const char* name, const std::optional<std::string>& saved) {
    if (saved) {
      setenv(name, saved->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  TempFolder folder_{"trovanel-home"};
  std::string home_;
  std::optional<std::string> savedHome_, savedConfig_;
};

TEST_F(DesktopFolderTest, FallsBackToHomeDesktopEndingInSlash) {
  EXPECT_EQ(CmdSpecialFolder(kDesktopFolder), home_ + "/Desktop/");
  EXPECT_EQ(CmdSpecialFolder(5), "");
}

TEST_F(DesktopFolderTest, ReadsTheXdgDesktopDirectoryAsGbk) {
  fs::create_directories(home_ + "/.config");
  std::ofstream(home_ + "/.config/user-dirs.dirs") << "# comment\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\n"
                                                   << Utf8(u8"XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
  // "桌面" in GBK.
  EXPECT_EQ(CmdSpecialFolder(kDesktopFolder), home_ + "/\xD7\xC0\xC3\xE6/");
  setenv("XDG_CONFIG_HOME", (home_ + "/elsewhere").c_str(), 1);
  EXPECT_EQ(CmdSpecialFolder(kDesktopFolder), home_ + "/Desktop/");
}

TEST(CmdStdOutput, WritesTextsWithNothingAddedInTheTerminalCharset) {
  ::testing::internal::CaptureStdout();
  CmdStdOutput(std::nullopt, "a", Text("\xCE\xC4"), "b");  // "文"
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), Utf8(u8"a文b"));
  ::testing::internal::CaptureStderr();
  CmdStdOutput(kStandardError, "err");
  std::fflush(stderr);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "err");
}

TEST(CmdNow, IsAnAutomationDateInWholeSeconds) {
  EXPECT_EQ(DateTimeFromParts(1899, 12, 30, 0, 0, 0).days, 0.0);
  EXPECT_EQ(DateTimeFromParts(1900, 1, 1, 12, 0, 0).days, 2.5);
  EXPECT_EQ(DateTimeFromParts(2020, 7, 26, 0, 0, 0).days, 44038.0);
  const double now = CmdNow().days;
  EXPECT_GT(now, 44038.0);
  const double seconds = (now - static_cast<int64_t>(now)) * 86400.0;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-4);
}

TEST(CmdProcessEvents, DispatchesUpToAQuitMessageWhichStays) {
  // On a thread of its own: the quit message stays in the queue, which goes with the thread.
  std::thread([] {
    std::vector<int> seen;
    auto& queue = platform::MessageQueue::OfCurrentThread();
    queue.Post({.id = 0x400, .handler = [&] { seen.push_back(1); }});
    queue.Post({.id = 0x400, .handler = [&] { seen.push_back(2); }});
    queue.Post({.id = platform::kQuitMessage, .handler = {}});
    queue.Post({.id = 0x400, .handler = [&] { seen.push_back(3); }});
    CmdProcessEvents();
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    CmdProcessEvents();
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_FALSE(queue.Empty());
  }).join();
}

// Posts a message to its own thread's queue each time it runs, as a window system's events may
// arrive while the queue is being served.
std::atomic<int> pumpRuns{0};
std::atomic<bool> pumpsMessageRan{false};
void PostingPump() {
  ++pumpRuns;
  platform::MessageQueue::OfCurrentThread().Post(
      {.id = 0x400, .handler = [] { pumpsMessageRan = true; }});
}

TEST(CmdProcessEvents, MakesOnePassOnAThreadWithNothingPosted) {
  pumpRuns = 0;
  pumpsMessageRan = false;
  std::thread([] {
    platform::SetCurrentThreadEventPump(&PostingPump);
    CmdProcessEvents();
    EXPECT_EQ(pumpRuns.load(), 1);
    EXPECT_FALSE(pumpsMessageRan) << "what comes after its pass waits for the next call";
    platform::SetCurrentThreadEventPump(nullptr);
    CmdProcessEvents();
    EXPECT_TRUE(pumpsMessageRan);
  }).join();
}

TEST(CmdDelay, ServesTheThreadsMessagesUntilTheTimeHasPassed) {
  const platform::ThreadId self = platform::CurrentThreadId();
  platform::MessageQueue::OfCurrentThread();
  const MessageDuringWait messages(self);
  const auto start = std::chrono::steady_clock::now();
  CmdDelay(60);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
  EXPECT_TRUE(messages.FirstRan());
  EXPECT_TRUE(messages.SecondRan());

  bool ran = false;
  platform::PostThreadMessage(self, {.id = 0x401, .handler = [&] { ran = true; }});
  CmdDelay(0);
  CmdDelay(-5);
  EXPECT_FALSE(ran) << "returned without looking at the queue";
  CmdProcessEvents();
  EXPECT_TRUE(ran);
}

TEST(PostThreadMessage, FailsForAThreadWithoutQueue) {
  platform::ThreadId ended = 0;
  std::thread([&] {
    platform::MessageQueue::OfCurrentThread();
    ended = platform::CurrentThreadId();
  }).join();
  EXPECT_FALSE(platform::PostThreadMessage(ended, {.id = 0x400, .handler = {}}));
}

}  // namespace
