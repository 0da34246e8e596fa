// What the sample site holds: fixed when a site is made, so that its pages and files are a pure
// function of the configuration and a test can compute what a crawl must save.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/sample_site/categories.h"

namespace sample_site {

// One item of one list page, all numbers 1-based.
struct ItemKey {
  int category = 1;  // position in SiteConfig::categories
  int page = 1;
  int position = 1;  // on its list page

  auto operator<=>(const ItemKey&) const = default;
};

// Changes to one generated item, for the crawl's edge cases.
struct ItemOverride {
  // The title as the list page writes it (GBK), e.g. one holding "/", "../", backslashes or a
  // name too long for the file system. It must not hold a double quotation mark.
  std::optional<std::string> title;
  // The detail link as the list page writes it, e.g. one of 40 bytes, "@host/x" or "//host/x".
  // A link that is a path of this site ("/" but not "//" first) serves the item's detail page.
  std::optional<std::string> detailLink;
  // Writes the item's title attribute in single quotation marks, which the title pattern does
  // not match: the page then has one title fewer than links.
  bool withoutTitleMarkup = false;
  std::optional<size_t> fileSize;
};

struct SiteConfig {
  uint64_t seed = 1;
  std::vector<Category> categories = BuiltInCategories();
  int pagesPerCategory = 2;
  int itemsPerPage = 3;
  size_t fileSize = 4096;
  std::map<ItemKey, ItemOverride> overrides;
};

}  // namespace sample_site
