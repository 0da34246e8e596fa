// A private X server for the tests that look at what a real window system shows: Xvfb, without
// a window manager, on a display that no other program uses.
#pragma once

#include <string>

struct XServer {
  enum class Status { kRunning, kNotInstalled, kFailed };
  Status status = Status::kFailed;
  std::string display;  // ":N" while running
  std::string reason;   // why it does not run
};

// The process's X server, started on the first call (on the calling thread, which must live as
// long as the process: the server is told to end when that thread ends). It also ends when its
// last client has gone, and never before: the window system ends a program whose display goes
// away, and a program keeps its connection until it ends.
const XServer& ProcessXServer();
