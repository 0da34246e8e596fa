// The memory one large download takes: trovanel-console crawling a site of one category with
// one item whose file is large, beside curl saving the same file in the same run.
//
//   large_download_bench [--file-size 209715200]
//
// Prints the file's size, the program's peak resident memory, what that is above the file, and
// curl's peak for the same request.
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>

#include "crawl/site_address.h"
#include "tests/find_on_path.h"
#include "tools/bench/bench_support.h"
#include "tools/sample_site/sample_site.h"

namespace {

namespace fs = std::filesystem;

size_t ParseFileSize(int argc, char** argv) {
  size_t fileSize = 200u << 20;
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    if (name != "--file-size" || i + 1 >= argc) throw std::invalid_argument("usage: " + name);
    fileSize = std::stoul(argv[i + 1]);
  }
  return fileSize;
}

double MiB(double bytes) { return bytes / 1048576.0; }

}  // namespace

int main(int argc, char** argv) {
  const size_t fileSize = ParseFileSize(argc, argv);
  const fs::path console = bench::BuiltConsoleProgram();

  sample_site::SiteConfig config;
  config.categories = sample_site::SelectCategories({1});
  config.pagesPerCategory = 1;
  config.itemsPerPage = 1;
  config.fileSize = fileSize;
  sample_site::SampleSite site(config);
  if (!site.Start()) {
    std::cerr << "the sample site cannot start\n";
    return 1;
  }

  const fs::path folder = bench::NewScratchFolder("trovanel-large");
  fs::copy_file(console, folder / "trovanel-console", fs::copy_options::overwrite_existing);
  const std::vector<std::pair<std::string, std::string>> proxy = {{"http_proxy", site.ProxyUrl()},
                                                                  {"no_proxy", ""}};
  const bench::ChildUsage crawl =
      bench::RunMeasured({(folder / "trovanel-console").string()}, folder.string(), proxy,
                         (folder / "output.txt").string());
  const std::vector<sample_site::ExpectedFile> files = site.ExpectedFiles();
  const fs::path saved = folder / reinterpret_cast<const char*>(u8"文件") / files.at(0).utf8Path;
  std::error_code error;
  const uintmax_t savedSize = fs::file_size(saved, error);
  const double peak = crawl.peakKiB * 1024.0;

  std::cout << "one large download (trovanel-console, one category, one item):\n"
            << "  exit code          " << crawl.exitCode << "\n"
            << "  file size          " << MiB(static_cast<double>(fileSize)) << " MiB ("
            << (error ? std::string("not saved") : std::to_string(savedSize) + " bytes saved")
            << ")\n"
            << "  peak memory        " << MiB(peak) << " MiB\n"
            << "  above the file     " << MiB(peak - static_cast<double>(fileSize))
            << " MiB (target <= 32 MiB)\n";

  const std::optional<std::string> curl = FindOnPath("curl");
  if (!curl) {
    std::cout << "curl baseline: no curl on PATH\n";
  } else {
    const std::string address =
        std::string(SiteBaseAddress()) + site.Model().ItemByNumber(1).filePath;
    const bench::ChildUsage baseline =
        bench::RunMeasured({*curl, "-s", "-o", (folder / "curl.rar").string(), address},
                           folder.string(), proxy, (folder / "curl.txt").string());
    std::cout << "curl baseline (the same file saved with -o):\n"
              << "  exit code          " << baseline.exitCode << "\n"
              << "  peak memory        " << MiB(baseline.peakKiB * 1024.0) << " MiB\n";
  }
  fs::remove_all(folder);
  return 0;
}
