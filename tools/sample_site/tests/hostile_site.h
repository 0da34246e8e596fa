// A one-category site whose items exercise the crawl rules' edge cases, shared by the tests of
// the model (what a crawl must save) and of the server (that the pages say so).
#pragma once

#include <string>

#include "tools/sample_site/site_config.h"

namespace sample_site_test {

inline sample_site::ItemOverride Link(std::string link) {
  sample_site::ItemOverride change;
  change.detailLink = std::move(link);
  return change;
}

inline sample_site::ItemOverride Title(std::string title) {
  sample_site::ItemOverride change;
  change.title = std::move(title);
  return change;
}

inline sample_site::ItemOverride WithoutTitleMarkup() {
  sample_site::ItemOverride change;
  change.withoutTitleMarkup = true;
  return change;
}

inline std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

// 83 double-byte characters: 253 bytes as a UTF-8 file name with ".rar"; 85 make it 259.
inline const std::string kLongestTitle = Repeated("课", 83);
inline const std::string kTooLongTitle = Repeated("课", 85);
inline const std::string kLink39 = "/show/" + std::string(28, 'x') + ".html";
inline const std::string kLink40 = "/show/" + std::string(29, 'x') + ".html";

// Category 3 of the menu, three list pages of four items (numbers 1-4, 5-8, 9-12).
inline sample_site::SiteConfig HostileSite() {
  sample_site::SiteConfig config;
  config.categories = sample_site::SelectCategories({3});
  config.pagesPerCategory = 3;
  config.itemsPerPage = 4;
  config.fileSize = 1000;
  config.overrides = {
      // page 1: a 40-byte link uses up its title; the next link keeps the title of its position
      {{1, 1, 2}, Link(kLink40)},
      {{1, 1, 3}, Link(kLink39)},
      // page 2: titles with a slash, backslashes and a name too long or just short enough
      {{1, 2, 1}, Title("../逃出")},
      {{1, 2, 2}, Title("a\\b\\c")},
      {{1, 2, 3}, Title(kTooLongTitle)},
      {{1, 2, 4}, Title(kLongestTitle)},
      // page 3: links to other hosts, and one title short of the links
      {{1, 3, 1}, Link("@evil.example/x.html")},
      {{1, 3, 2}, Link("//evil.example/x.html")},
      {{1, 3, 3}, WithoutTitleMarkup()},
  };
  return config;
}

}  // namespace sample_site_test
