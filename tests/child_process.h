// Runs a program as a child process for end-to-end tests: its own copy in a folder of the
// test's (programs save beside themselves), extra environment variables, and what it wrote.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
// `environment`, under `limits`, and waits for it to end.
ChildResult RunChild(const std::string& program,
                     const std::vector<std::pair<std::string, std::string>>& environment = {},
                     const ChildLimits& limits = {});
