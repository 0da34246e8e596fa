// The route from any thread to the main thread: at once there, handed over from elsewhere.
#include "window_app/framework/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "window_app/framework/program_framework.h"
#include "window_app/framework/testing/window_testing.h"

namespace {

using window_framework::AskMainThread;
using window_framework::Reply;
using window_framework::RunOnMainThread;
using window_testing::ProcessEventsUntil;

// No window is loaded, and none closes: asks are answered throughout.
class MainThreadRouteTest : public ::testing::Test {
 protected:
  void SetUp() override { RtInitProgram(); }
  const std::thread::id main_ = std::this_thread::get_id();
};

TEST_F(MainThreadRouteTest, OnTheMainThreadTheWorkRunsAtOnce) {
  std::optional<std::thread::id> ranOn;
  RunOnMainThread([&] { ranOn = std::this_thread::get_id(); });
  EXPECT_EQ(ranOn, main_);
  EXPECT_EQ(AskMainThread<std::thread::id>([] { return std::this_thread::get_id(); }), main_);
}

TEST_F(MainThreadRouteTest, FromAnotherThreadTheWorkRunsOnTheMainThread) {
  std::optional<std::thread::id> ranOn;  // the main thread's own
  std::thread([&] { RunOnMainThread([&] { ranOn = std::this_thread::get_id(); }); }).join();
  // The thread did not wait: the main thread has not served its queue since.
  EXPECT_FALSE(ranOn);
  ASSERT_TRUE(ProcessEventsUntil([&] { return ranOn.has_value(); }));
  EXPECT_EQ(ranOn, main_);

  std::optional<std::thread::id> answer;
  std::atomic<bool> answered{false};
  std::thread asker([&] {
    answer = AskMainThread<std::thread::id>([] { return std::this_thread::get_id(); });
    answered = true;
  });
  const bool answeredInTime = ProcessEventsUntil([&] { return answered.load(); });
  asker.join();
  ASSERT_TRUE(answeredInTime);
  EXPECT_EQ(answer, main_);
}

TEST_F(MainThreadRouteTest, TheAskingThreadWaitsForAnAnswerThatComesLater) {
  std::shared_ptr<Reply<int>> held;  // the main thread's own
  std::optional<int> answer;
  std::atomic<bool> answered{false};
  std::thread asker([&] {
    answer = AskMainThread<int>([] { return 0; },
                                [&](const std::shared_ptr<Reply<int>>& reply) { held = reply; });
    answered = true;
  });
  const bool asked = ProcessEventsUntil([&] { return held != nullptr; });
  // The work has run and the main thread went on; the asker is still waiting.
  EXPECT_FALSE(answered);
  if (asked) held->Complete(7);
  const bool answeredInTime = asked && ProcessEventsUntil([&] { return answered.load(); });
  if (!asked) window_framework::AbandonWaitingCalls();  // releases the asker
  asker.join();
  ASSERT_TRUE(answeredInTime);
  EXPECT_EQ(answer, 7);
}

}  // namespace
