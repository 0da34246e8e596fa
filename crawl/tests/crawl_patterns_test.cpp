// The crawl's own patterns (the menu's and the list pages'), over the markup they are written for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crawl/category_menu.h"
#include "crawl/crawl_rules.h"
#include "runtime/text_operations.h"
#include "toolkit/regex_object.h"
#include "toolkit/trimming.h"

namespace {

// Sub-match 1 of every match of pattern over subject, with the options the crawl uses.
std::vector<Text> FirstGroups(std::string_view pattern, const Text& subject) {
  RegexObject regex;
  EXPECT_TRUE(regex.Create(pattern, subject));
  std::vector<Text> groups;
  for (int32_t i = 1; i <= regex.MatchCount(); ++i) groups.push_back(regex.SubMatch(i, 1));
  return groups;
}

Text JoinLines(const std::vector<const char*>& lines) {
  Text text;
  for (const char* line : lines) text += (text.empty() ? "" : "\r\n") + std::string(line);
  return text;
}

// The forms the built-in menu uses: two-line and one-line headings, with and without the
// blank after "<li>", a link line with a leading blank, a link whose "</li>" stands two lines
// lower, and empty lines.
const Text kMenu = JoinLines({
    R"(<li> <font color="yellow">幼儿园flash动画)",
    R"(</font></li>)",
    R"(<li><a href="/1s/yuwen/flash/36615.html">1.汉语拼音flash动画</a></li>)",
    R"( <li><a href="/youeryuan/huiben/">8.绘本故事flash动画</a></li>)",
    R"(<li><font color="yellow">幼儿园大班ppt课件)",
    R"(</font></li>)",
    R"(<li><a href="/youeryuan/xiaobanjiankang/">1.小班健康ppt课件</a>)",
    "",
    R"(</li>)",
    R"(<li> <font color="yellow">幼儿园小班教案</font></li>)",
    "",
    R"(<li><font color="yellow">走近小学</font></li>)",
    R"(<li><a href="/youeryuan/jzh/">幼小衔接家长会ppt</a></li>)",
});

TEST(MenuPatterns, FindEveryEntryNameAndEveryLinkPath) {
  EXPECT_EQ(FirstGroups(kMenuNamePattern, kMenu),
            (std::vector<Text>{"幼儿园flash动画\r\n", "1.汉语拼音flash动画", "8.绘本故事flash动画",
                               "幼儿园大班ppt课件\r\n", "1.小班健康ppt课件", "幼儿园小班教案",
                               "走近小学", "幼小衔接家长会ppt"}));
  EXPECT_EQ(FirstGroups(kMenuLinkPattern, kMenu),
            (std::vector<Text>{"/1s/yuwen/flash/36615.html", "/youeryuan/huiben/",
                               "/youeryuan/xiaobanjiankang/", "/youeryuan/jzh/"}));
  // A heading's line break goes with the clean-up the crawl gives every name.
  EXPECT_EQ(TrimBlanks(TrimLineBreaks("幼儿园flash动画\r\n")), "幼儿园flash动画");
}

// One item of a list page, as the site writes it; `upper` writes the markup in capitals.
Text ListItem(const std::string& path, const char* title, bool upper = false) {
  Text item = std::string(R"(<li><div align="center"><a href=")") + path + R"(" title=")" + title +
              R"(" target="_blank"><img src="/uploads/)" + path + R"(.jpg" alt=")" + title +
              R"(" /></a></div>)" + "\r\n" + R"(<p><a href=")" + path + R"(">)" + title +
              "</a></p></li>\r\n";
  if (!upper) return item;
  for (const char* word :
       {"li", "div", "align", "center", "a href", "title", "target", "img", "src", "alt", "p"}) {
    std::string capitals = word;
    for (char& c : capitals) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    item = CmdReplaceText(item, word, capitals, std::nullopt, std::nullopt, true);
  }
  return item;
}

TEST(ListPagePatterns, PairTheDetailLinksWithTheTitlesCapitalsIncluded) {
  const Text page = R"(<ul class="list"><li><a href="/about/" title="关于" target="_blank">)"
                    "\r\n" +
                    ListItem("/youeryuan/erge/1001.html", "小星星") +
                    ListItem("/YouErYuan/erge/1002.HTML", "两只老虎", /*upper=*/true) +
                    ListItem("/youeryuan/erge/1003.html", "a\\b") + "</ul>";
  EXPECT_EQ(FirstGroups(kDetailLinkPattern, page),
            (std::vector<Text>{"/youeryuan/erge/1001.html", "/YouErYuan/erge/1002.HTML",
                               "/youeryuan/erge/1003.html"}));
  EXPECT_EQ(FirstGroups(kTitlePattern, page), (std::vector<Text>{"小星星", "两只老虎", "a\\b"}));
}

}  // namespace
