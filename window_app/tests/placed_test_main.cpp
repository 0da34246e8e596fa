// The main routine of the tests that run whole crawl jobs. The program saves into its own
// folder, and CTest runs the tests of one executable side by side: so the executable first
// places a link to itself in a new temporary folder, runs the tests from there as a child, and
// removes the folder afterwards. The child runs headless, on the offscreen platform.
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/temp_folder.h"
#include "window_app/tests/runtime_folder.h"

extern char** environ;

namespace {

constexpr const char* kPlacedVariable = "TROVANEL_TEST_PLACED";

int RunPlacedCopy(int argc, char** argv) {
  const TempFolder folder("trovanel-job");
  if (!folder.Made()) return 1;
  const std::string copy =
      PlaceProgram(std::filesystem::canonical("/proc/self/exe").string(), folder.Path().string());
  setenv(kPlacedVariable, "1", 1);
  std::vector<char*> arguments(argv, argv + argc);
  arguments[0] = const_cast<char*>(copy.c_str());
  arguments.push_back(nullptr);
  pid_t child = 0;
  int status = 0;
  const bool ran =
      posix_spawn(&child, copy.c_str(), nullptr, nullptr, arguments.data(), environ) == 0 &&
      waitpid(child, &status, 0) == child;
  if (!ran) return 1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

int main(int argc, char** argv) {
  UseOwnQtRuntimeFolder();  // in the placing process, which outlives the placed one
  if (getenv(kPlacedVariable) == nullptr) return RunPlacedCopy(argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
