#include "tools/sample_site/site_model.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/test_text.h"
#include "tools/sample_site/file_bytes.h"
#include "tools/sample_site/tests/hostile_site.h"

namespace sample_site {
namespace {

using sample_site_test::HostileSite;
using sample_site_test::kLongestTitle;
using sample_site_test::Link;

SiteConfig SmallSite() {
  SiteConfig config;
  config.categories = SelectCategories({2, 42});
  config.pagesPerCategory = 2;
  config.itemsPerPage = 4;
  config.fileSize = 1000;
  return config;
}

TEST(SiteModel, ServesEveryBuiltInCategoryAtItsMenuPath) {
  const SiteModel model{SiteConfig{}};
  ASSERT_EQ(model.Config().categories.size(), 42u);
  EXPECT_EQ(model.CategoryPagePath(1), "/1s/yuwen/flash/36615.html");
  EXPECT_EQ(model.CategoryPagePath(42), "/youeryuan/jzh/");
  EXPECT_EQ(model.Config().categories[41].linkText, "幼小衔接家长会ppt");
  for (int category = 1; category <= 42; ++category) {
    const std::optional<Resource> page = model.Find(model.CategoryPagePath(category));
    ASSERT_TRUE(page) << category;
    EXPECT_EQ(page->kind, ResourceKind::kCategoryPage);
    // List pages are named by plain appending, even after a category path that is a file.
    EXPECT_EQ(model.ListPagePath(category, 2),
              model.CategoryPagePath(category) + "list_" + model.ListId(category) + "_2.html");
    EXPECT_TRUE(model.Find(model.ListPagePath(category, 2)));
  }
}

TEST(SiteModel, PagesAreGbkAndHoldTheMarkersOfTheCrawl) {
  const SiteModel model(SmallSite());
  const std::string category = model.PageBody(*model.Find(model.CategoryPagePath(1)));
  EXPECT_NE(category.find("\xB9\xB2 <strong>2</strong>"), std::string::npos) << "GBK 共";
  EXPECT_NE(category.find("'list_" + model.ListId(1) + "_1.html'"), std::string::npos);

  const Item& item = model.ItemAt({2, 2, 3});
  const std::string list = model.PageBody(*model.Find(model.ListPagePath(2, 2)));
  EXPECT_NE(list.find("<div align=\"center\"><a href=\"" + item.detailLink + "\" title=\"" +
                      item.title + "\" target"),
            std::string::npos);
  EXPECT_LE(item.detailLink.size(), 39u);

  const std::string detail = model.PageBody(*model.Find(item.detailLink));
  EXPECT_NE(detail.find("download.php?" + item.scriptPath.substr(19) + "' target"),
            std::string::npos);
  const std::string script = model.PageBody(*model.Find(item.scriptPath));
  EXPECT_NE(script.find("\"" + item.filePath + "\""), std::string::npos);
  EXPECT_EQ(model.Find(item.filePath)->kind, ResourceKind::kFile);
  EXPECT_FALSE(model.Find("/plus/download.php?"));
}

TEST(SiteModel, FileBytesFollowFromTheSeedAndComeInAnyPieces) {
  SiteConfig config = SmallSite();
  const SiteModel first(config);
  const SiteModel same(config);
  config.seed = 2;
  const SiteModel other(config);
  const std::string whole = first.FileContent(3);
  ASSERT_EQ(whole.size(), 1000u);
  EXPECT_EQ(whole, same.FileContent(3));
  EXPECT_EQ(whole, FileBytes(1, 3, 0, 1000)) << "a test can compute them without the site";
  EXPECT_NE(whole, first.FileContent(4));
  EXPECT_NE(whole, other.FileContent(3));
  EXPECT_EQ(first.FileContent(3, 0, 13) + first.FileContent(3, 13, 2000), whole);
}

TEST(SiteModel, ExpectedFilesOfAPlainSiteAreOnePerItem) {
  const SiteModel model(SmallSite());
  const std::vector<ExpectedFile> files = model.ExpectedFiles();
  ASSERT_EQ(files.size(), 16u);
  EXPECT_EQ(files[0].path, "幼儿园flash动画/2.英文字母flash动画/示例课件1.rar");
  EXPECT_EQ(files[0].utf8Path, Utf8(u8"幼儿园flash动画/2.英文字母flash动画/示例课件1.rar"));
  EXPECT_EQ(files[15].path, "走近小学/幼小衔接家长会ppt/示例课件16.rar");
  EXPECT_EQ(files[15].itemNumber, 16);
  EXPECT_EQ(files[15].size, 1000u);
}

// The crawl rules applied to hostile items: which of them leave which file.
TEST(SiteModel, ExpectedFilesFollowTheCrawlRulesForHostileItems) {
  const SiteModel model(HostileSite());
  std::map<std::string, int> saved;
  for (const ExpectedFile& file : model.ExpectedFiles()) {
    const std::string prefix = "幼儿园flash动画/3.成语故事flash动画/";
    ASSERT_TRUE(file.path.starts_with(prefix)) << file.utf8Path;
    saved[file.path.substr(prefix.size())] = file.itemNumber;
  }
  const std::map<std::string, int> expected = {
      {"示例课件1.rar", 1},
      {"示例课件3.rar", 3},  // the 39-byte link, under its own title
      {"示例课件4.rar", 4},
      {"abc.rar", 6},
      {kLongestTitle + ".rar", 8},
      // page 3 has titles 9, 10 and 12 for four links: item 11 takes the third, item 12 none
      {"示例课件12.rar", 11},
      {".rar", 12},
  };
  EXPECT_EQ(saved, expected);
}

TEST(SiteModel, CrawlRequestsListEveryPageInCrawlOrder) {
  SiteConfig config = SmallSite();
  config.categories = SelectCategories({5});
  config.pagesPerCategory = 1;
  config.itemsPerPage = 2;
  // A changed link that is a path of the site serves its own item's detail page.
  config.overrides = {{{1, 1, 1}, Link("/show/renamed.html")}};
  const SiteModel model(config);
  const std::vector<std::string> expected = {
      "/youeryuan/tonghua/",
      model.ListPagePath(1, 1),
      "/show/renamed.html",
      model.ItemByNumber(1).scriptPath,
      model.ItemByNumber(1).filePath,
      "/show/2.html",
      model.ItemByNumber(2).scriptPath,
      model.ItemByNumber(2).filePath,
  };
  EXPECT_EQ(model.CrawlRequests(), expected);
}

}  // namespace
}  // namespace sample_site
