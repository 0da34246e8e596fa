// A loaded main window on the offscreen platform, with a home folder of its own so that the
// desktop's "jpg.xml" is the test's, and a 24-hour clock.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "toolkit/locale_clock.h"
#include "toolkit/runtime/process.h"
#include "window_app/framework/program_framework.h"
#include "window_app/framework/testing/window_testing.h"
#include "window_app/globals.h"
#include "window_app/main_window.h"

class HomeFolder {
 public:
  HomeFolder() {
    char pattern[] = "/tmp/trovanel-window-XXXXXX";
    path_ = mkdtemp(pattern);
    setenv("HOME", path_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (path_ / "config").c_str(), 1);  // no user-dirs.dirs there
    std::filesystem::create_directory(path_ / "Desktop");
  }
  ~HomeFolder() { std::filesystem::remove_all(path_); }
  std::filesystem::path Desktop() const { return path_ / "Desktop"; }
  void WriteJpgList(const std::string& bytes) const {
    std::ofstream(Desktop() / "jpg.xml", std::ios::binary) << bytes;
  }

 private:
  std::filesystem::path path_;
};

class MainWindowFixture : public ::testing::Test {
 protected:
  // Set up before the window is loaded, so that its creation routine sees it.
  virtual void BeforeLoad() {}

  void SetUp() override {
    OverrideLocaleTimeFormat("%H:%M:%S");
    RtInitProgram();
    InitGlobals();
    BeforeLoad();
    RtLoadWindow(kMainWindow);
  }
  void TearDown() override {
    window_testing::SetMessageBoxShownHook(nullptr);
    window_testing::CloseWindow(kMainWindow);
    // What other threads handed to the main thread for this window meets no window now, rather
    // than the next test's.
    CmdProcessEvents();
    FreeGlobals();
    OverrideLocaleTimeFormat(std::nullopt);
  }

  HomeFolder home_;
};
