// The categories the sample site serves: by default those of the programs' built-in menu, so
// that an unchanged program finds a category page behind every link it knows.
#pragma once

#include <string>
#include <vector>

namespace sample_site {

// One category of the site; all three texts are GBK. `href` begins with "/".
struct Category {
  std::string heading;
  std::string linkText;
  std::string href;

  bool operator==(const Category&) const = default;
};

// The categories of the programs' built-in menu (42), in menu order (record 1 first), as the
// programs read them.
const std::vector<Category>& BuiltInCategories();

// The built-in categories with the given 1-based record numbers, in the order given. A number
// outside 1..42 throws std::out_of_range.
std::vector<Category> SelectCategories(const std::vector<int>& recordNumbers);

}  // namespace sample_site
