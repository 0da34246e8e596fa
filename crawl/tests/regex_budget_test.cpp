// The budget of one search with the crawl's own item patterns: a hostile page fails the search
// instead of holding the thread, while the largest ordinary page is matched whole.
#include <gtest/gtest.h>

#include "crawl/crawl_rules.h"
#include "toolkit/regex_object.h"

namespace {

TEST(RegexBudget, APageOfUnclosedDetailLinksFailsInsteadOfHanging) {
  // Every start position scans the rest of the page for the closing quote and title: the
  // square of four megabytes, far beyond the budget.
  const std::string prefix = R"(<div align="center"><a href=")";
  std::string page;
  while (page.size() < 4 * 1024 * 1024) page += prefix;
  RegexObject regex;
  EXPECT_FALSE(regex.Create(kDetailLinkPattern, page));
  EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexBudget, ATwoMegabyteListPageWithFiveHundredItemsMatchesWhole) {
  std::string page;
  const std::string filler(4000, 'x');
  for (int i = 1; i <= 500; ++i) {
    const std::string n = std::to_string(i);
    page += R"(<li><div align="center"><a href="/youeryuan/erge/)" + n + R"(.html" title="标题)" +
            n + R"(" target="_blank"></a></div><p class="x">)" + filler + "</p></li>\r\n";
  }
  ASSERT_GE(page.size(), 2'000'000u);
  RegexObject links;
  RegexObject titles;
  ASSERT_TRUE(links.Create(kDetailLinkPattern, page));
  ASSERT_TRUE(titles.Create(kTitlePattern, page));
  ASSERT_EQ(links.MatchCount(), 500);
  ASSERT_EQ(titles.MatchCount(), 500);
  EXPECT_EQ(links.SubMatch(500, 1), "/youeryuan/erge/500.html");
  EXPECT_EQ(titles.SubMatch(500, 1), "标题500");
}

}  // namespace
