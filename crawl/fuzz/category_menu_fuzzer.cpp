// The category-menu parser on any markup: the whole input is the menu text. The parser only
// appends, so a record that was in the list before stays first and unchanged; and each record
// stands for a name match of at least three characters (a double quote, ">" and "<").
#include <cstdint>

#include "crawl/category_menu.h"
#include "crawl/category_menu_html.h"
#include "tests/fuzz_check.h"

// A build whose narrow literals are not GBK would fuzz another program: the built-in menu
// must give its 42 records, the first under its GBK heading "幼儿园flash动画".
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Array<CategoryRecord> builtIn;
  ParseCategoryMenu(CategoryMenuHtml, builtIn);
  FUZZ_CHECK(builtIn.Count() == 42);
  FUZZ_CHECK(builtIn.At(1).heading ==
             "\xD3\xD7\xB6\xF9\xD4\xB0"
             "flash\xB6\xAF\xBB\xAD");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view menu(reinterpret_cast<const char*>(data), size);
  const CategoryRecord before{"heading", "link text", "/before/"};
  Array<CategoryRecord> categories{before};
  ParseCategoryMenu(menu, categories);
  FUZZ_CHECK(categories.At(1) == before);
  FUZZ_CHECK(static_cast<size_t>(categories.Count() - 1) <= size / 3);
  return 0;
}
