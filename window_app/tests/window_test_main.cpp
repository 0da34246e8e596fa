// The main routine of the window tests: headless, on the window system's offscreen platform.
#include <gtest/gtest.h>

#include <cstdlib>

#include "window_app/tests/runtime_folder.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  UseOwnQtRuntimeFolder();
  // A death test's child starts afresh: the parent's window system is not forked.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
