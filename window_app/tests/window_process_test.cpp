// trovanel-window run as a process, from a copy in a folder of its own (its program folder).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/temp_folder.h"
#include "tests/test_text.h"
#include "tools/sample_site/sample_site.h"
#include "window_app/tests/runtime_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;  // -1: did not exit normally
  std::string out;
  std::string err;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class ProgramRun : public ::testing::Test {
 protected:
  ProgramRun() {
    UseOwnQtRuntimeFolder();  // the programs' own, through the environment they inherit
    fs::create_directory(folder_ / "program");
    fs::create_directory(folder_ / "home");
  }

  // Runs a copy of the program with the environment of the tests, without any display, and
  // with the extra variables. Its standard input is a pipe that ends once whileRunning, when
  // given, has returned: the close probe waits for that end where it must wait for the test.
  Outcome Run(const fs::path& program, const std::vector<std::string>& arguments,
              const std::vector<std::string>& extraEnvironment,
              const std::function<void()>& whileRunning = {}) {
    const fs::path copy = folder_ / "program" / program.filename();
    // Copied once: a file that a process executed may still be busy for a moment after that
    // process has been waited for, and would refuse to be written over.
    fs::copy_file(program, copy, fs::copy_options::skip_existing);
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
      const std::string entry = *variable;
      if (entry.starts_with("DISPLAY=") || entry.starts_with("WAYLAND_DISPLAY=") ||
          entry.starts_with("QT_QPA_PLATFORM=") || entry.starts_with("HOME=") ||
          entry.starts_with("XDG_CONFIG_HOME=")) {
        continue;
      }
      environment.push_back(entry);
    }
    environment.push_back("HOME=" + (folder_ / "home").string());
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());

    std::vector<std::string> argumentTexts{copy.string()};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argumentTexts) argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& text : environment) envp.push_back(text.data());
    envp.push_back(nullptr);

    const fs::path out = folder_ / "stdout";
    const fs::path err = folder_ / "stderr";
    int input[2];
    if (pipe2(input, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    Outcome outcome;
    const bool started =
        posix_spawn(&child, copy.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    if (started && whileRunning) whileRunning();
    close(input[1]);
    if (started) {
      int status = 0;
      waitpid(child, &status, 0);
      if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
    }
    outcome.out = ReadAll(out);
    outcome.err = ReadAll(err);
    return outcome;
  }

  // What the program folder holds besides the program.
  std::vector<std::string> LeftInProgramFolder(const fs::path& program) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_ / "program")) {
      if (entry.path().filename() != program.filename()) names.push_back(entry.path().filename());
    }
    return names;
  }

  TempFolder temp_{"trovanel-run"};
  const fs::path folder_ = temp_.Path();
};

TEST_F(ProgramRun, NoDisplayGivesTheFatalReport) {
  const Outcome outcome = Run(TROVANEL_WINDOW_PROGRAM, {}, {});
  EXPECT_EQ(outcome.exitCode, 255) << outcome.err;
  EXPECT_NE(outcome.err.find(Utf8(u8"运行时出错!")), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find(Utf8(u8"错误信息：载入启动窗口失败")), std::string::npos)
      << outcome.err;
}

TEST_F(ProgramRun, ClosingTheWindowWithNoJobEndsTheProgram) {
  const Outcome outcome = Run(TROVANEL_CLOSE_PROBE, {}, {"QT_QPA_PLATFORM=offscreen"});
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "exit routines ran\n");
  EXPECT_EQ(outcome.err.find(Utf8(u8"运行时出错!")), std::string::npos) << outcome.err;
  // Starting and ending the program makes no folder and no file.
  EXPECT_TRUE(LeftInProgramFolder(TROVANEL_CLOSE_PROBE).empty());
}

TEST_F(ProgramRun, ClosingTheWindowWhileThreadsStillWorkEndsTheProgram) {
  // The crawl thread and the pool's workers, or the workers alone, still use the window, the
  // pool and the globals while the program ends.
  for (const char* mode : {"busy", "tasks"}) {
    const Outcome outcome = Run(TROVANEL_CLOSE_PROBE, {mode}, {"QT_QPA_PLATFORM=offscreen"});
    EXPECT_EQ(outcome.exitCode, 0) << mode << "\n" << outcome.err;
    EXPECT_EQ(outcome.out, "exit routines ran\n") << mode;
    EXPECT_EQ(outcome.err.find(Utf8(u8"运行时出错!")), std::string::npos) << outcome.err;
  }
}

TEST_F(ProgramRun, ClosingTheWindowDuringACrawlJobEndsTheProgram) {
  // Every category's page is held: the window closes once the job's first task waits for one.
  sample_site::SampleSite site;
  ASSERT_TRUE(site.Start());
  site.Hold(sample_site::PathPattern::Any());
  const Outcome outcome = Run(
      TROVANEL_CLOSE_PROBE, {"job"},
      {"QT_QPA_PLATFORM=offscreen", "http_proxy=" + site.ProxyUrl(),
       "HTTP_PROXY=", "no_proxy=", "NO_PROXY="},
      [&] { EXPECT_TRUE(site.WaitUntilHeld(1, std::chrono::seconds(60))) << "no request came"; });
  site.ReleaseAll();
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "exit routines ran\n");
  EXPECT_EQ(outcome.err.find(Utf8(u8"运行时出错!")), std::string::npos) << outcome.err;
}

}  // namespace
