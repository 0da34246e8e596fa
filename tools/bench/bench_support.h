// What the benchmarks share: running a child process with its resource use, and printing.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tools/sample_site/sample_site.h"

namespace bench {

struct ChildUsage {
  int exitCode = -1;
  std::chrono::duration<double> wall{0};
  double cpuSeconds = 0;  // user + system
  double userSeconds = 0;
  double systemSeconds = 0;
  long peakKiB = 0;  // the child's largest resident set
};

// Runs argv (argv[0] a path) in folder with extra environment variables, its standard output
// into outputPath, and waits for it, measuring what it used.
ChildUsage RunMeasured(const std::vector<std::string>& argv, const std::string& folder,
                       const std::vector<std::pair<std::string, std::string>>& environment,
                       const std::string& outputPath);

// The shape of the site a crawl benchmark runs against, from --latency-ms, --pages, --items
// and --file-size (each followed by a number); throws std::invalid_argument for anything else.
struct SiteOptions {
  int latencyMs = 0;
  int pages = 3;
  int items = 10;
  size_t fileSize = 64 * 1024;
};
SiteOptions ParseSiteOptions(int argc, char** argv, int defaultLatencyMs);

// The sample site of the 42 built-in categories in that shape, started on a free port with the
// latency set; null when it cannot start.
std::unique_ptr<sample_site::SampleSite> StartSite(const SiteOptions& options);

// The trovanel-console that the build made beside the benchmarks (build/console_app/).
std::filesystem::path BuiltConsoleProgram();
// A new, empty folder under the system's temporary folder, named by prefix and this process's id.
std::filesystem::path NewScratchFolder(const std::string& prefix);

}  // namespace bench
