// A program found as the shell would find it, for tests and benchmarks that use a tool of the
// system when it is installed.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <optional>
#include <sstream>
#include <string>

// The path of the first executable `name` in a folder of PATH (an empty entry is the current
// folder), or nullopt when there is none.
inline std::optional<std::string> FindOnPath(const std::string& name) {
  const char* path = getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}
