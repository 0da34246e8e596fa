#include "crawl/category_menu.h"

#include <gtest/gtest.h>

#include "crawl/category_menu_html.h"
#include "platform/automation/class_registry.h"

namespace {

// The 42 records of the built-in menu, as (heading, link text, path).
const CategoryRecord kBuiltInRecords[] = {
    {"幼儿园flash动画", "1.汉语拼音flash动画", "/1s/yuwen/flash/36615.html"},
    {"幼儿园flash动画", "2.英文字母flash动画", "/3s/yingyu/zimu/"},
    {"幼儿园flash动画", "3.成语故事flash动画", "/youeryuan/chengyu/"},
    {"幼儿园flash动画", "4.寓言故事flash动画", "/youeryuan/yuyan/"},
    {"幼儿园flash动画", "5.童话故事flash动画", "/youeryuan/tonghua/"},
    {"幼儿园flash动画", "6.经典儿歌flash动画", "/youeryuan/erge/"},
    {"幼儿园flash动画", "7.益智游戏flash动画", "/youeryuan/youxi/"},
    {"幼儿园flash动画", "8.绘本故事flash动画", "/youeryuan/huiben/"},
    {"幼儿园小班ppt课件", "1.小班健康ppt课件", "/youeryuan/xiaobanjiankang/"},
    {"幼儿园小班ppt课件", "2.小班艺术ppt课件", "/youeryuan/xiaobanyishu/"},
    {"幼儿园小班ppt课件", "3.小班科学ppt课件", "/youeryuan/xiaobankexue/"},
    {"幼儿园小班ppt课件", "4.小班语言ppt课件", "/youeryuan/xiaobanyuyan/"},
    {"幼儿园小班ppt课件", "5.小班社会ppt课件", "/youeryuan/xiaobanshehui/"},
    {"幼儿园小班教案", "幼儿园小班健康教案", "/youeryuan/xbjk/"},
    {"幼儿园小班教案", "幼儿园小班艺术教案", "/youeryuan/xbys/"},
    {"幼儿园小班教案", "幼儿园小班科学教案", "/youeryuan/xbkx/"},
    {"幼儿园小班教案", "幼儿园小班语言教案", "/youeryuan/xbyy/"},
    {"幼儿园小班教案", "幼儿园小班社会教案", "/youeryuan/xbja/"},
    {"幼儿园中班ppt课件", "1.中班健康ppt课件", "/youeryuan/zhongbanjiankang/"},
    {"幼儿园中班ppt课件", "2.中班艺术ppt课件", "/youeryuan/zhongbanyishu/"},
    {"幼儿园中班ppt课件", "3.中班科学ppt课件", "/youeryuan/zhongbankexue/"},
    {"幼儿园中班ppt课件", "4.中班语言ppt课件", "/youeryuan/zhongbanyuyan/"},
    {"幼儿园中班ppt课件", "5.中班社会ppt课件", "/youeryuan/zhongbanshehui/"},
    {"幼儿园中班教案", "幼儿园中班健康教案", "/youeryuan/zbjk/"},
    {"幼儿园中班教案", "幼儿园中班艺术教案", "/youeryuan/zbys/"},
    {"幼儿园中班教案", "幼儿园中班科学教案", "/youeryuan/zbkx/"},
    {"幼儿园中班教案", "幼儿园中班语言教案", "/youeryuan/zbyy/"},
    {"幼儿园中班教案", "幼儿园中班社会教案", "/youeryuan/zbsh/"},
    {"幼儿园大班ppt课件", "1.大班健康ppt课件", "/youeryuan/dabanjiankang/"},
    {"幼儿园大班ppt课件", "2.大班艺术ppt课件", "/youeryuan/dabanyishu/"},
    {"幼儿园大班ppt课件", "3.大班科学ppt课件", "/youeryuan/dabankexue/"},
    {"幼儿园大班ppt课件", "4.大班语言ppt课件", "/youeryuan/dabanyuyan/"},
    {"幼儿园大班ppt课件", "5.大班社会ppt课件", "/youeryuan/dabanshehui/"},
    {"幼儿园大班教案", "幼儿园大班健康教案", "/youeryuan/dbjk/"},
    {"幼儿园大班教案", "幼儿园大班艺术教案", "/youeryuan/dbys/"},
    {"幼儿园大班教案", "幼儿园大班科学教案", "/youeryuan/dbkx/"},
    {"幼儿园大班教案", "幼儿园大班语言教案", "/youeryuan/dbyy/"},
    {"幼儿园大班教案", "幼儿园大班社会教案", "/youeryuan/dbsh/"},
    {"走近小学", "幼小衔接语文ppt课件", "/youeryuan/yw/"},
    {"走近小学", "幼小衔接数学ppt课件", "/youeryuan/sx/"},
    {"走近小学", "幼小衔接讲座ppt课件", "/youeryuan/jiangzuo/"},
    {"走近小学", "幼小衔接家长会ppt", "/youeryuan/jzh/"},
};

TEST(CategoryMenuHtml, IsTheMenuByteForByte) {
  EXPECT_EQ(CategoryMenuHtml.size(), 3124u);
  size_t lines = 1;
  for (size_t at = CategoryMenuHtml.find("\r\n"); at != std::string_view::npos;
       at = CategoryMenuHtml.find("\r\n", at + 2)) {
    ++lines;
  }
  EXPECT_EQ(lines, 65u);
  EXPECT_EQ(CategoryMenuHtml.find('\n'), CategoryMenuHtml.find("\r\n") + 1);
  EXPECT_EQ(CategoryMenuHtml.substr(0, 10), "<li> <font");
  EXPECT_NE(CategoryMenuHtml.substr(CategoryMenuHtml.size() - 5), "\r\n");
}

TEST(ParseCategoryMenu, YieldsTheFortyTwoRecordsAndAppendsOnEveryRun) {
  Array<CategoryRecord> categories;
  ParseCategoryMenu(CategoryMenuHtml, categories);
  ASSERT_EQ(categories.Count(), 42);
  EXPECT_EQ(categories.At(1).heading, "幼儿园flash动画") << "the heading's line break is dropped";
  EXPECT_EQ(categories.At(1).linkText, "1.汉语拼音flash动画");
  EXPECT_EQ(categories.At(1).href, "/1s/yuwen/flash/36615.html");
  EXPECT_EQ(categories.At(42),
            (CategoryRecord{"走近小学", "幼小衔接家长会ppt", "/youeryuan/jzh/"}));
  for (int32_t i = 1; i <= 42; ++i) EXPECT_EQ(categories.At(i), kBuiltInRecords[i - 1]) << i;

  ParseCategoryMenu(CategoryMenuHtml, categories);
  ASSERT_EQ(categories.Count(), 84);
  EXPECT_EQ(categories.At(43), kBuiltInRecords[0]);
  EXPECT_EQ(categories.At(84), kBuiltInRecords[41]);
}

TEST(ParseCategoryMenu, JudgesNamesByTheBytesBeforeTheirFirstOccurrence) {
  struct Case {
    const char* menu;
    std::vector<CategoryRecord> records;
  };
  const Case cases[] = {
      // A link before any heading gets the empty heading.
      {"<li><a href=\"/first/\">X</a></li>\r\n<li> <font color=\"yellow\">H</font></li>",
       {{"", "X", "/first/"}}},
      // Paths of 1 to 6 bytes put the "=" of href= into the probe: their names are taken for
      // headings, and the next link takes the first link address.
      {"<li><a href=\"/\">One</a></li>\r\n<li><a href=\"/abcde\">Six</a></li>\r\n"
       "<li><a href=\"/abcdef\">Seven</a></li>",
       {{"Six", "Seven", "/"}}},
      // An empty name is a link; an empty path still makes a record.
      {"<li> <font color=\"yellow\">H</font></li><li><a href=\"/long/path/\"></a></li>"
       "<li><a href=\"\">Empty path</a></li>",
       {{"H", "", "/long/path/"}, {"H", "Empty path", ""}}},
  };
  for (const Case& c : cases) {
    Array<CategoryRecord> categories;
    ParseCategoryMenu(c.menu, categories);
    EXPECT_EQ(std::vector<CategoryRecord>(categories.begin(), categories.end()), c.records)
        << c.menu;
  }
}

TEST(ParseCategoryMenu, AppendsNothingWithoutTheRegularExpressionClass) {
  platform::ScopedClassOverride unavailable(u"VBScript.RegExp", [] { return nullptr; });
  Array<CategoryRecord> categories;
  ParseCategoryMenu(CategoryMenuHtml, categories);
  EXPECT_EQ(categories.Count(), 0);
}

}  // namespace

void PrintTo(const CategoryRecord& record, std::ostream* out) {
  *out << "{" << record.heading << ", " << record.linkText << ", " << record.href << "}";
}
