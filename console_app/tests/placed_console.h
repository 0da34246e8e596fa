// What the console program's end-to-end tests share: a copy of trovanel-console placed in a
// fresh folder of the test's (the program saves beside itself, so runs never share a save
// folder), the environment that points it at a site as its proxy, and the texts it prints.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/child_process.h"
#include "tests/page_failure_line.h"
#include "tools/sample_site/site_model.h"
#include "tests/temp_folder.h"

inline const std::string kDone = reinterpret_cast<const char*>(u8"下载完成");
inline const std::string kSaved = reinterpret_cast<const char*>(u8"下载成功:");
inline const std::string kFailed = reinterpret_cast<const char*>(u8"下载失败:");

// The lines of the built-in menu's categories first..last (record numbers) whose category pages
// `site` does not have: a test's site serves only the categories it was made with and answers
// the others' pages with 404.
inline std::string UnservedCategoryLines(const sample_site::SiteModel& site, int first = 1,
                                         int last = 42) {
  std::string lines;
  for (int record = first; record <= last; ++record) {
    const std::string& href = sample_site::BuiltInCategories().at(record - 1).href;
    if (!site.Find(href)) lines += FailedPageLine(href);
  }
  return lines;
}

class PlacedConsole {
 public:
  PlacedConsole() {
    if (temp_.Made()) program_ = PlaceProgram(TROVANEL_CONSOLE_PATH, folder_);
  }
  PlacedConsole(const PlacedConsole&) = delete;
  PlacedConsole& operator=(const PlacedConsole&) = delete;

  bool Placed() const { return !program_.empty(); }
  const std::string& Program() const { return program_; }
  // The program's save folder, with its trailing "/", as the program prints its paths.
  std::string SaveFolder() const {
    return folder_ + "/" + reinterpret_cast<const char*>(u8"文件/");
  }
  // What a file at utf8Path below the save folder holds ("" when there is none).
  std::string Contents(const std::string& utf8Path) const {
    std::ifstream in(SaveFolder() + utf8Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // The site at proxy as the system proxy, and UTF-8 on the terminal.
  static ChildEnvironment Environment(const std::string& proxy) {
    return {{"http_proxy", proxy}, {"no_proxy", ""}, {"LC_ALL", "C.UTF-8"}};
  }
  ChildResult Run(const std::string& proxy, const ChildLimits& limits = {}) const {
    return RunChild(program_, Environment(proxy), limits);
  }

 private:
  TempFolder temp_{"trovanel-console"};
  const std::string folder_ = temp_.Path().string();
  std::string program_;
};
