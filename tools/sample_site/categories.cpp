#include "tools/sample_site/categories.h"

#include <stdexcept>

#include "crawl/category_menu.h"
#include "crawl/category_menu_html.h"

namespace sample_site {

const std::vector<Category>& BuiltInCategories() {
  // Read from the programs' own menu, as they read it, so that the site cannot drift from it.
  static const std::vector<Category> categories = [] {
    Array<CategoryRecord> records;
    ParseCategoryMenu(CategoryMenuHtml, records);
    std::vector<Category> read;
    for (const CategoryRecord& record : records) {
      read.push_back({record.heading, record.linkText, record.href});
    }
    return read;
  }();
  return categories;
}

std::vector<Category> SelectCategories(const std::vector<int>& recordNumbers) {
  const std::vector<Category>& all = BuiltInCategories();
  std::vector<Category> selected;
  for (int number : recordNumbers) {
    if (number < 1 || number > static_cast<int>(all.size())) {
      throw std::out_of_range("no built-in category " + std::to_string(number));
    }
    selected.push_back(all[number - 1]);
  }
  return selected;
}

}  // namespace sample_site
