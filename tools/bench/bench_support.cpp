#include "tools/bench/bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/environment_block.h"

namespace bench {

ChildUsage RunMeasured(const std::vector<std::string>& argv, const std::string& folder,
                       const std::vector<std::pair<std::string, std::string>>& environment,
                       const std::string& outputPath) {
  EnvironmentBlock envp(environment);
  std::vector<std::string> arguments = argv;
  std::vector<char*> args;
  for (std::string& argument : arguments) args.push_back(argument.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  ChildUsage usage;
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, args[0], &actions, nullptr, args.data(), envp.Get());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return usage;
  int status = 0;
  rusage used{};
  wait4(child, &status, 0, &used);
  usage.wall = std::chrono::steady_clock::now() - start;
  usage.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  usage.userSeconds = used.ru_utime.tv_sec + used.ru_utime.tv_usec / 1e6;
  usage.systemSeconds = used.ru_stime.tv_sec + used.ru_stime.tv_usec / 1e6;
  usage.cpuSeconds = usage.userSeconds + usage.systemSeconds;
  usage.peakKiB = used.ru_maxrss;
  return usage;
}

SiteOptions ParseSiteOptions(int argc, char** argv, int defaultLatencyMs) {
  SiteOptions options;
  options.latencyMs = defaultLatencyMs;
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    if (i + 1 >= argc) throw std::invalid_argument(name + " needs a number");
    const long value = std::stol(argv[i + 1]);
    if (name == "--latency-ms") {
      options.latencyMs = static_cast<int>(value);
    } else if (name == "--pages") {
      options.pages = static_cast<int>(value);
    } else if (name == "--items") {
      options.items = static_cast<int>(value);
    } else if (name == "--file-size") {
      options.fileSize = static_cast<size_t>(value);
    } else {
      throw std::invalid_argument("unknown option " + name);
    }
  }
  return options;
}

std::unique_ptr<sample_site::SampleSite> StartSite(const SiteOptions& options) {
  sample_site::SiteConfig config;
  config.pagesPerCategory = options.pages;
  config.itemsPerPage = options.items;
  config.fileSize = options.fileSize;
  auto site = std::make_unique<sample_site::SampleSite>(config);
  if (!site->Start()) return nullptr;
  site->SetLatency(std::chrono::milliseconds(options.latencyMs));
  return site;
}

std::filesystem::path BuiltConsoleProgram() {
  const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
  return self.parent_path().parent_path().parent_path() / "console_app" / "trovanel-console";
}

std::filesystem::path NewScratchFolder(const std::string& prefix) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace bench
