// Temporary names and the ends of the process that remove them. Each end runs in a death test's
// child, which runs the test again from its start: it finds the parent's folder in the
// environment and leaves the parent to look into it afterwards.
#include "platform/temporary_names.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <latch>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/process_end.h"
#include "tests/scoped_environment.h"

namespace {

namespace fs = std::filesystem;
using platform::TemporaryName;

constexpr char kFolderVariable[] = "TROVANEL_TEMPORARY_NAMES_TEST_FOLDER";
constexpr int kHolders = 3;

bool MakeFile(int folder, const char* name) {
  const int fd = openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  return true;
}

size_t EntryCount(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

[[noreturn]] void BlockForGood() {
  for (;;) pause();
}

// Threads that hold made names, and one in the middle of making its own, when the process ends
// through `end` on a thread that holds no name. The make goes on as the end starts, so the name
// may be made while the end runs. Exits with 1 when the names were not made.
[[noreturn]] void EndWhileNamesAreHeld(const std::string& folderPath, void (*end)()) {
  const int folder = open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  std::latch ready(kHolders + 1);
  std::atomic<bool> go{false};
  for (int holder = 0; holder < kHolders; ++holder) {
    std::thread([&, holder] {
      TemporaryName name(folder);
      if (!name.Make(".held" + std::to_string(holder),
                     [&](const char* made) { return MakeFile(folder, made); })) {
        _exit(1);
      }
      ready.count_down();
      BlockForGood();
    }).detach();
  }
  std::thread([&] {
    TemporaryName name(folder);
    name.Make(".making", [&](const char* made) {
      ready.count_down();
      go.wait(false);
      return MakeFile(folder, made);
    });
    BlockForGood();
  }).detach();
  ready.wait();
  if (EntryCount(folderPath) != kHolders) _exit(1);
  std::thread([end] {
    end();
    BlockForGood();
  }).detach();
  go.store(true);
  go.notify_all();
  BlockForGood();
}

class TemporaryNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (const char* inherited = getenv(kFolderVariable)) {
      folder_ = inherited;
      return;
    }
    char pattern[] = "/tmp/trovanel-names-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    environment_.Set(kFolderVariable, folder_);
    ownsFolder_ = true;
  }
  void TearDown() override {
    if (ownsFolder_) fs::remove_all(folder_);
  }
  std::string folder_;
  bool ownsFolder_ = false;
  ScopedEnvironment environment_;
};

class TerminatingSignalTest : public TemporaryNamesTest,
                              public ::testing::WithParamInterface<int> {};

TEST_P(TerminatingSignalTest, RemovesEveryNameFromAnyThreadAndEndsTheProcessAsTheSignal) {
  static int sent;
  sent = GetParam();
  EXPECT_EXIT(EndWhileNamesAreHeld(folder_, [] { raise(sent); }), ::testing::KilledBySignal(sent),
              "");
  EXPECT_EQ(EntryCount(folder_), 0u);
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminatingSignalTest,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGUSR1),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(sigabbrev_np(info.param));
                         });

// The windowed program ends at once when its window is closed, while workers may be writing.
TEST_F(TemporaryNamesTest, TheImmediateEndOfTheProcessRemovesEveryName) {
  EXPECT_EXIT(EndWhileNamesAreHeld(folder_, [] { platform::ExitProcessNow(0); }),
              ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(EntryCount(folder_), 0u);
}

TEST_F(TemporaryNamesTest, ASignalIgnoredBeforeTheFirstNameStaysIgnored) {
  auto ignoreHangUpThenTerminate = [](const std::string& folderPath) {
    signal(SIGHUP, SIG_IGN);  // as under nohup
    const int folder = open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    TemporaryName name(folder);
    if (!name.Make(".kept", [&](const char* made) { return MakeFile(folder, made); })) _exit(1);
    raise(SIGHUP);
    if (EntryCount(folderPath) != 1) _exit(2);
    raise(SIGTERM);
    _exit(3);
  };
  EXPECT_EXIT(ignoreHangUpThenTerminate(folder_), ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_EQ(EntryCount(folder_), 0u);
}

TEST_F(TemporaryNamesTest, AClaimBeyondTheSlotsWaitsForARelease) {
  const int folder = open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  std::vector<std::unique_ptr<TemporaryName>> taken;
  for (int slot = 0; slot < platform::kTemporaryNameSlots; ++slot) {
    taken.push_back(std::make_unique<TemporaryName>(folder));
  }
  std::atomic<bool> claimed{false};
  std::thread late([&] {
    TemporaryName name(folder);
    claimed.store(true);
    EXPECT_TRUE(name.Make(".late", [&](const char* made) { return MakeFile(folder, made); }));
  });
  EXPECT_FALSE(claimed.load()) << "no slot was free";
  taken.pop_back();
  late.join();
  EXPECT_TRUE(claimed.load());
  EXPECT_EQ(EntryCount(folder_), 0u) << "a name is removed with its TemporaryName";
  close(folder);
}

}  // namespace
