// trovanel-sample-site: the sample site as a program, for the demo and the benchmarks.
#include <pthread.h>
#include <signal.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "tools/sample_site/command_line.h"
#include "tools/sample_site/file_bytes.h"
#include "tools/sample_site/sample_site.h"

namespace {

using sample_site::CommandLine;
using sample_site::ExpectedFile;
using sample_site::SiteModel;

void ListFiles(const SiteModel& model) {
  for (const ExpectedFile& file : model.ExpectedFiles()) {
    std::printf("%zu\t%016" PRIx64 "\t%s\n", file.size,
                sample_site::Fnv1a64(model.FileContent(file.itemNumber)), file.utf8Path.c_str());
  }
}

int ExportFiles(const SiteModel& model, const std::filesystem::path& folder) {
  for (const ExpectedFile& file : model.ExpectedFiles()) {
    const std::filesystem::path path = folder / file.utf8Path;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string bytes = model.FileContent(file.itemNumber);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::cerr << "cannot write " << path << "\n";
      return 1;
    }
  }
  return 0;
}

int Serve(const CommandLine& line) {
  // Blocked before any thread starts, so that every thread inherits the mask and only sigwait
  // below receives these signals.
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGINT);
  sigaddset(&endSignals, SIGTERM);
  sigaddset(&endSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

  sample_site::SampleSite site(line.config);
  site.SetLatency(line.latency);
  for (const auto& [pattern, fault] : line.faults) site.SetFault(pattern, fault);
  if (!site.Start(line.port)) {
    std::cerr << "trovanel-sample-site: cannot listen on 127.0.0.1:" << line.port << "\n";
    return 1;
  }
  std::printf("%d\n", site.Port());
  std::fflush(stdout);
  if (!line.portFile.empty()) std::ofstream(line.portFile) << site.Port() << "\n";

  int received = 0;
  sigwait(&endSignals, &received);
  site.Stop();
  if (line.logRequests) {
    for (const std::string& path : site.RequestPaths()) std::cerr << path << "\n";
  }
  std::cerr << "trovanel-sample-site: " << site.RequestCount() << " requests served\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  try {
    line = sample_site::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << "trovanel-sample-site: " << error.what() << "\n\n" << sample_site::UsageText();
    return 2;
  }
  switch (line.action) {
    case sample_site::Action::kHelp:
      std::cout << sample_site::UsageText();
      return 0;
    case sample_site::Action::kListFiles:
      ListFiles(SiteModel(line.config));
      return 0;
    case sample_site::Action::kExportFiles:
      return ExportFiles(SiteModel(line.config), line.exportFolder);
    case sample_site::Action::kListRequests:
      for (const std::string& path : SiteModel(line.config).CrawlRequests()) {
        std::printf("%s\n", path.c_str());
      }
      return 0;
    case sample_site::Action::kServe:
      break;
  }
  return Serve(line);
}
