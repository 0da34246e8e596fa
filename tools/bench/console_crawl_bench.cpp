// The console crawl's speed against the sample site with a set latency per request, beside
// curl fetching the same sequence of requests in one process over one reused connection.
//
//   console_crawl_bench [--latency-ms 5] [--pages 3] [--items 10] [--file-size 65536]
//
// Prints requests, files, bytes, the crawl's time (the program's run less its final wait),
// the latency floor (requests x latency), their ratio, CPU time per request and peak memory.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "console_app/console_program.h"
#include "crawl/site_address.h"
#include "tests/find_on_path.h"
#include "tools/bench/bench_support.h"
#include "tools/sample_site/sample_site.h"

namespace {

namespace fs = std::filesystem;

}  // namespace

int main(int argc, char** argv) {
  const bench::SiteOptions options = bench::ParseSiteOptions(argc, argv, 5);
  const fs::path console = bench::BuiltConsoleProgram();

  const std::unique_ptr<sample_site::SampleSite> started = bench::StartSite(options);
  if (!started) {
    std::cerr << "the sample site cannot start\n";
    return 1;
  }
  sample_site::SampleSite& site = *started;

  const fs::path folder = bench::NewScratchFolder("trovanel-bench");
  fs::copy_file(console, folder / "trovanel-console", fs::copy_options::overwrite_existing);
  const std::vector<std::pair<std::string, std::string>> proxy = {{"http_proxy", site.ProxyUrl()},
                                                                  {"no_proxy", ""}};

  const bench::ChildUsage crawl =
      bench::RunMeasured({(folder / "trovanel-console").string()}, folder.string(), proxy,
                         (folder / "output.txt").string());
  const size_t requests = site.RequestCount();
  size_t files = 0;
  uintmax_t bytes = 0;
  for (const auto& entry :
       fs::recursive_directory_iterator(folder / reinterpret_cast<const char*>(u8"文件"))) {
    if (entry.is_regular_file()) {
      ++files;
      bytes += entry.file_size();
    }
  }
  const double finalWaitSeconds = kFinalWaitMs / 1000.0;
  const double crawlSeconds = crawl.wall.count() - finalWaitSeconds;
  const double floorSeconds = requests * options.latencyMs / 1000.0;

  std::cout << "console crawl: " << site.Model().Config().categories.size() << " categories, "
            << options.pages << " pages of " << options.items << " items, files of "
            << options.fileSize << " bytes, " << options.latencyMs << " ms per request\n"
            << "  exit code          " << crawl.exitCode << "\n"
            << "  requests           " << requests << "\n"
            << "  files              " << files << "\n"
            << "  bytes              " << bytes << "\n"
            << "  crawl time         " << crawlSeconds << " s (run less the " << finalWaitSeconds
            << " s wait)\n"
            << "  latency floor      " << floorSeconds << " s (requests x latency)\n"
            << "  ratio              " << crawlSeconds / floorSeconds << " (target <= 1.10)\n"
            << "  CPU per request    " << crawl.cpuSeconds / requests * 1e6 << " us (user "
            << crawl.userSeconds / requests * 1e6 << ", system "
            << crawl.systemSeconds / requests * 1e6 << ")\n"
            << "  peak memory        " << crawl.peakKiB / 1024.0 << " MiB (target < 64 MiB + "
            << options.fileSize / 1048576.0 << " MiB)\n";

  const std::optional<std::string> curl = FindOnPath("curl");
  if (!curl) {
    std::cout << "curl baseline: no curl on PATH\n";
  } else {
    const std::vector<std::string> paths = site.Model().CrawlRequests();
    // Twice: discarding every body, and saving every body to a file of its own, since the
    // crawl writes its files too and their system time is part of its CPU time.
    for (const bool saves : {false, true}) {
      const fs::path bodies = folder / "curl-bodies";
      fs::create_directories(bodies);
      std::ofstream list(folder / "curl.config");
      for (size_t i = 0; i < paths.size(); ++i) {
        list << "url = \"" << SiteBaseAddress() << paths[i] << "\"\noutput = \""
             << (saves ? (bodies / std::to_string(i)).string() : std::string("/dev/null"))
             << "\"\n";
      }
      list.close();
      site.ClearRequests();
      const bench::ChildUsage baseline =
          bench::RunMeasured({*curl, "-s", "-K", (folder / "curl.config").string()},
                             folder.string(), proxy, (folder / "curl.txt").string());
      const double baselineFloor = paths.size() * options.latencyMs / 1000.0;
      const double count = static_cast<double>(paths.size());
      std::cout << "curl baseline (one process, connection reuse, "
                << (saves ? "each body saved to a file" : "bodies discarded") << "):\n"
                << "  requests           " << site.RequestCount() << "\n"
                << "  time               " << baseline.wall.count() << " s\n"
                << "  ratio              " << baseline.wall.count() / baselineFloor << "\n"
                << "  CPU per request    " << baseline.cpuSeconds / count * 1e6 << " us (user "
                << baseline.userSeconds / count * 1e6 << ", system "
                << baseline.systemSeconds / count * 1e6 << ")\n"
                << "  peak memory        " << baseline.peakKiB / 1024.0 << " MiB\n";
      fs::remove_all(bodies);
    }
  }
  fs::remove_all(folder);
  return 0;
}
