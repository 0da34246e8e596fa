// Runs a program as a child process for end-to-end tests: its own copy in a folder of the
// test's (programs save beside themselves), extra environment variables, and what it wrote.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using ChildEnvironment = std::vector<std::pair<std::string, std::string>>;

struct ChildResult {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
  std::chrono::milliseconds elapsed{0};
};

// Hard-links (or, across file systems, copies) the program into folder and returns the new
// path. A symbolic link would not do: the program would find its folder through it.
std::string PlaceProgram(const std::string& program, const std::string& folder);

// Resource limits set in the child before it runs the program.
struct ChildLimits {
  std::optional<rlim_t> addressSpaceBytes;  // RLIMIT_AS
  std::optional<rlim_t> fileSizeBytes;      // RLIMIT_FSIZE
};

// Runs program with no arguments and no standard input, the current environment plus
// `environment`, under `limits`, with every signal at its default action and none blocked, and
// waits for it to end.
ChildResult RunChild(const std::string& program, const ChildEnvironment& environment = {},
                     const ChildLimits& limits = {});

// A program started as RunChild starts it, but with standard output and standard error both
// going to one pipe or one pseudo-terminal, as a user's shell would connect them, which the
// test reads while the program runs. The destructor kills and reaps a child still running.
class RunningChild {
 public:
  enum class Output { kPipe, kTerminal };

  RunningChild(const std::string& program, const ChildEnvironment& environment, Output output);
  ~RunningChild();
  RunningChild(const RunningChild&) = delete;
  RunningChild& operator=(const RunningChild&) = delete;

  bool Started() const { return pid_ > 0; }
  // Reads until what arrived holds `text` (true) or the output has ended (false).
  bool ReadUntil(std::string_view text);
  // Reads until the output has ended: every copy of the writing end is closed.
  void ReadToEnd();
  // What has arrived so far. A terminal shows each "\n" as "\r\n".
  const std::string& Arrived() const { return arrived_; }

  void Signal(int signal);
  // Waits for the child to end: its exit code, or -1 when a signal ended it.
  int Wait();
  // After Wait: the signal that ended the child, 0 when it exited.
  int EndingSignal() const { return endingSignal_; }

 private:
  bool ReadSome();

  pid_t pid_ = -1;
  int readEnd_ = -1;
  std::string arrived_;
  bool ended_ = false;  // the output
  bool reaped_ = false;
  int exitCode_ = -1;
  int endingSignal_ = 0;
};
