// The options of the trovanel-sample-site program.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "tools/sample_site/fault.h"
#include "tools/sample_site/path_pattern.h"
#include "tools/sample_site/site_config.h"

namespace sample_site {

enum class Action { kServe, kListFiles, kExportFiles, kListRequests, kHelp };

struct CommandLine {
  Action action = Action::kServe;
  int port = 0;
  std::string portFile;
  std::string exportFolder;
  bool logRequests = false;
  SiteConfig config;
  std::chrono::milliseconds latency{0};
  std::vector<std::pair<PathPattern, Fault>> faults;
};

// Throws std::invalid_argument, with a message for the user, on an unknown or malformed option.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();

}  // namespace sample_site
