// The windowed program's crawl job against the sample site with a set latency per request, the
// site serving every worker at once, beside the console program on the same site in the same
// run.
//
//   window_crawl_bench [--latency-ms 20] [--pages 3] [--items 10] [--file-size 65536]
//
// Prints the job's wall time (from the start click to the "完成" box), the floor (the longest
// category's requests x latency, plus the posting pace of the job), their ratio, and the console
// program's crawl time (its run less its final wait).
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "console_app/console_program.h"
#include "tools/bench/bench_support.h"
#include "tools/sample_site/sample_site.h"
#include "window_app/crawl_job.h"

namespace {

namespace fs = std::filesystem;

constexpr double kPostingPauseSeconds = kPostingPauseMs / 1000.0;
constexpr double kFinalWaitSeconds = kFinalWaitMs / 1000.0;

// The requests of the category that needs the most of them.
size_t LongestCategoryRequests(const sample_site::SiteModel& model) {
  std::map<int, size_t> perCategory;
  for (const std::string& path : model.CrawlRequests()) {
    const std::optional<sample_site::Resource> resource = model.Find(path);
    if (!resource) continue;
    const int category = resource->category != 0
                             ? resource->category
                             : model.ItemByNumber(resource->itemNumber).key.category;
    ++perCategory[category];
  }
  size_t longest = 0;
  for (const auto& [category, count] : perCategory) longest = std::max(longest, count);
  return longest;
}

size_t FilesUnder(const fs::path& folder) {
  size_t files = 0;
  if (!fs::exists(folder)) return 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    files += entry.is_regular_file();
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  const bench::SiteOptions options = bench::ParseSiteOptions(argc, argv, 20);
  const fs::path self = fs::canonical("/proc/self/exe");
  const fs::path driver = self.parent_path() / "window_bench_driver";
  const fs::path console = bench::BuiltConsoleProgram();

  const std::unique_ptr<sample_site::SampleSite> started = bench::StartSite(options);
  if (!started) {
    std::cerr << "the sample site cannot start\n";
    return 1;
  }
  sample_site::SampleSite& site = *started;
  const size_t categories = site.Model().Config().categories.size();
  const std::vector<std::pair<std::string, std::string>> environment = {
      {"http_proxy", site.ProxyUrl()}, {"no_proxy", ""}, {"QT_QPA_PLATFORM", "offscreen"}};
  const fs::path savedFiles = reinterpret_cast<const char*>(u8"文件");

  const fs::path folder = bench::NewScratchFolder("trovanel-window-bench");
  const fs::path windowFolder = folder / "window";
  const fs::path consoleFolder = folder / "console";
  fs::create_directories(windowFolder);
  fs::create_directories(consoleFolder);
  fs::copy_file(driver, windowFolder / "trovanel-window");
  fs::copy_file(console, consoleFolder / "trovanel-console");

  const fs::path timing = folder / "job-ms.txt";
  const bench::ChildUsage window =
      bench::RunMeasured({(windowFolder / "trovanel-window").string(), timing.string()},
                         windowFolder.string(), environment, (folder / "window.txt").string());
  const size_t windowRequests = site.RequestCount();
  double jobSeconds = -1;
  std::ifstream(timing) >> jobSeconds;
  jobSeconds /= 1000.0;
  const double floorSeconds = LongestCategoryRequests(site.Model()) * options.latencyMs / 1000.0 +
                              categories * kPostingPauseSeconds;

  site.ClearRequests();
  const bench::ChildUsage consoleRun =
      bench::RunMeasured({(consoleFolder / "trovanel-console").string()}, consoleFolder.string(),
                         environment, (folder / "console.txt").string());
  const double consoleSeconds = consoleRun.wall.count() - kFinalWaitSeconds;

  std::cout << "window crawl job: " << categories << " categories, " << options.pages
            << " pages of " << options.items << " items, files of " << options.fileSize
            << " bytes, " << options.latencyMs << " ms per request\n"
            << "  exit code          " << window.exitCode << "\n"
            << "  requests           " << windowRequests << "\n"
            << "  files              " << FilesUnder(windowFolder / savedFiles) << "\n"
            << "  job time           " << jobSeconds << " s (start click to the box)\n"
            << "  floor              " << floorSeconds
            << " s (longest category's requests x latency + " << categories << " x "
            << kPostingPauseMs << " ms)\n"
            << "  ratio              " << jobSeconds / floorSeconds << " (target <= 1.15)\n"
            << "  peak memory        " << window.peakKiB / 1024.0 << " MiB\n"
            << "console program on the same site:\n"
            << "  exit code          " << consoleRun.exitCode << "\n"
            << "  requests           " << site.RequestCount() << "\n"
            << "  files              " << FilesUnder(consoleFolder / savedFiles) << "\n"
            << "  crawl time         " << consoleSeconds << " s (run less the " << kFinalWaitSeconds
            << " s wait)\n"
            << "  window speed-up    " << consoleSeconds / jobSeconds << " x\n";
  fs::remove_all(folder);
  return 0;
}
