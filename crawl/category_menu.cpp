#include "crawl/category_menu.h"

#include "runtime/text_operations.h"
#include "toolkit/regex_object.h"
#include "toolkit/trimming.h"

void ParseCategoryMenu(std::string_view menuHtml, Array<CategoryRecord>& categories) {
  RegexObject names;
  RegexObject links;
  names.Create(kMenuNamePattern, menuHtml);
  links.Create(kMenuLinkPattern, menuHtml);
  CategoryRecord working;
  int32_t linkNumber = 0;
  const int32_t nameCount = names.MatchCount();
  for (int32_t i = 1; i <= nameCount; ++i) {
    Text name = TrimBlanks(TrimLineBreaks(names.SubMatch(i, 1)));
    const int32_t position = CmdFindText(menuHtml, name);
    const Text probe = CmdTextMiddle(menuHtml, position - 10, 6);
    if (CmdFindText(probe, "=") != -1) {
      working.heading = std::move(name);
      continue;
    }
    ++linkNumber;
    working.linkText = std::move(name);
    working.href = TrimBlanks(TrimLineBreaks(links.SubMatch(linkNumber, 1)));
    categories.Append(working);
  }
}
