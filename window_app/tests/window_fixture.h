// A loaded main window on the offscreen platform, with a home folder of its own so that the
// desktop's "jpg.xml" is the test's, and a 24-hour clock.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "runtime/process.h"
#include "tests/temp_folder.h"
#include "toolkit/locale_clock.h"
#include "window_app/framework/program_framework.h"
#include "window_app/framework/testing/window_testing.h"
#include "window_app/globals.h"
#include "window_app/main_window.h"
#include "window_app/tests/runtime_folder.h"

class HomeFolder {
 public:
  HomeFolder() {
    setenv("HOME", folder_.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder_.Path() / "config").c_str(), 1);  // no user-dirs.dirs there
    std::filesystem::create_directory(Desktop());
  }
  const std::filesystem::path& Path() const { return folder_.Path(); }
  std::filesystem::path Desktop() const { return folder_.Path() / "Desktop"; }
  void WriteJpgList(const std::string& bytes) const {
    std::ofstream(Desktop() / "jpg.xml", std::ios::binary) << bytes;
  }

 private:
  TempFolder folder_{"trovanel-window"};
};

// A thread of a window test whose body may wait on the main thread (a box, a property read).
// Should the test leave it running, after a failed assertion say, the main window is closed,
// which releases every such wait, and the thread is joined: a std::thread destroyed while it
// runs would end the process before the fixture could remove its folder.
class WindowTestThread {
 public:
  explicit WindowTestThread(std::function<void()> body) : thread_(std::move(body)) {}
  ~WindowTestThread() {
    if (!thread_.joinable()) return;
    window_testing::CloseWindow(kMainWindow);
    thread_.join();
  }
  WindowTestThread(const WindowTestThread&) = delete;
  WindowTestThread& operator=(const WindowTestThread&) = delete;
  void join() { thread_.join(); }

 private:
  std::thread thread_;
};

class MainWindowFixture : public ::testing::Test {
 protected:
  // Set up before the window is loaded, so that its creation routine sees it.
  virtual void BeforeLoad() {}

  void SetUp() override {
    UseOwnQtRuntimeFolder();
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
