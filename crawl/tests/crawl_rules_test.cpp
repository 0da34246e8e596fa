// The shared crawl rules against the sample site: what one category's crawl requests, saves
// and reports.
#include "crawl/crawl_rules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "platform/codepage.h"
#include "tests/captured_output.h"
#include "tests/page_failure_line.h"
#include "tests/scoped_environment.h"
#include "tests/temp_folder.h"
#include "tests/test_text.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/tests/hostile_site.h"

namespace {

namespace fs = std::filesystem;
using sample_site::Fault;
using sample_site::PathPattern;

std::string Utf8Of(const std::string& gbk) { return platform::GbkToUtf8(gbk).value(); }

class CrawlRulesTest : public ::testing::Test {
 protected:
  void StartSite(sample_site::SiteConfig config) {
    site_ = std::make_unique<sample_site::SampleSite>(std::move(config));
    ASSERT_TRUE(site_->Start());
    environment_.UseProxy(site_->ProxyUrl());
    ASSERT_TRUE(temp_.Made());
    folder_ = temp_.Path().string();
  }

  CategoryRecord Record(int category = 1) const {
    const sample_site::Category& c = site_->Model().Config().categories.at(category - 1);
    return {c.heading, c.linkText, c.href};
  }
  Text SaveFolder() const { return folder_ + "/"; }

  CapturedOutput Crawl(MarkerCase markerCase = MarkerCase::kExact, int category = 1) {
    CrawlSettings settings{SaveFolder(), markerCase,
                           [this](const Text& path) { saved_.push_back(path); }};
    RegexObject links, titles;
    return CaptureOutput([&] { CrawlCategory(Record(category), settings, links, titles); });
  }

  // The stdout lines of a crawl that saved these files in this order (UTF-8, as printed).
  std::string SavedLines(const std::vector<sample_site::ExpectedFile>& files) const {
    std::string lines;
    for (const auto& file : files) lines += u8Prefix + folder_ + "/" + file.utf8Path + "\r\n";
    return lines;
  }
  std::string Contents(const std::string& utf8Path) const {
    std::ifstream in(folder_ + "/" + utf8Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> ListPageRequests() const {
    std::vector<std::string> pages;
    for (const std::string& path : site_->RequestPaths()) {
      if (path.find("list_") != std::string::npos) pages.push_back(path);
    }
    return pages;
  }

  const std::string u8Prefix = reinterpret_cast<const char*>(u8"下载成功:");
  const std::string u8Failed = reinterpret_cast<const char*>(u8"下载失败:");
  std::unique_ptr<sample_site::SampleSite> site_;
  ScopedEnvironment environment_;
  TempFolder temp_{"trovanel-crawl"};
  std::string folder_;
  std::vector<Text> saved_;
};

sample_site::SiteConfig OneCategory(int pages, int items) {
  sample_site::SiteConfig config;
  config.categories = sample_site::SelectCategories({2});
  config.pagesPerCategory = pages;
  config.itemsPerPage = items;
  config.fileSize = 3000;
  return config;
}

TEST_F(CrawlRulesTest, SavesEveryFileByteForByteAndReportsEachOnce) {
  StartSite(OneCategory(3, 2));
  const auto expected = site_->ExpectedFiles();
  ASSERT_EQ(expected.size(), 6u);
  const CapturedOutput output = Crawl();
  EXPECT_EQ(output.out, SavedLines(expected));
  EXPECT_EQ(output.err, "");
  for (const auto& file : expected) {
    EXPECT_TRUE(Contents(file.utf8Path) == site_->FileContent(file)) << file.utf8Path;
  }
  ASSERT_EQ(saved_.size(), 6u);
  EXPECT_EQ(saved_[0], SaveFolder() + expected[0].path);
  const auto& model = site_->Model();
  EXPECT_EQ(ListPageRequests(),
            (std::vector<std::string>{model.ListPagePath(1, 1), model.ListPagePath(1, 2),
                                      model.ListPagePath(1, 3)}));

  // Existing folders are used as they are, and every file is fetched and written again.
  std::ofstream(folder_ + "/" + expected[0].utf8Path) << "stale";
  site_->ClearRequests();
  EXPECT_EQ(Crawl().out, SavedLines(expected));
  EXPECT_TRUE(Contents(expected[0].utf8Path) == site_->FileContent(expected[0]));
  EXPECT_EQ(site_->RequestCount(), 1u + 3u + 6u * 3u);
}

TEST_F(CrawlRulesTest, PageCountAndListIdFollowTheMarkerCaseRule) {
  StartSite(OneCategory(1, 1));
  const std::string categoryPath = site_->Model().CategoryPagePath(1);
  const std::string href = Record().href;
  struct Case {
    const char* page;
    MarkerCase markerCase;
    std::vector<std::string> listPages;
  };
  const Case cases[] = {
      {"no markers", MarkerCase::kExact, {}},
      {"共 <strong>abc</strong> 'list_7_1.html'", MarkerCase::kExact, {}},
      {"共 <strong>2</strong>", MarkerCase::kExact, {href + "list__1.html", href + "list__2.html"}},
      {"共 <STRONG>2</STRONG> 'LIST_7_1.html'", MarkerCase::kExact, {}},
      {"共 <STRONG>2</STRONG> 'LIST_7_1.html'",
       MarkerCase::kIgnoreCase,
       {href + "list_7_1.html", href + "list_7_2.html"}},
      {"共 <strong>1</strong> 'LIST_7_1.html'", MarkerCase::kExact, {href + "list__1.html"}},
  };
  for (const Case& c : cases) {
    site_->ClearFaults();
    site_->SetFault(PathPattern::Exact(categoryPath), Fault::Body(c.page));
    site_->ClearRequests();
    const CapturedOutput output = Crawl(c.markerCase);
    EXPECT_EQ(ListPageRequests(), c.listPages) << c.page;
    EXPECT_EQ(output.out, "") << c.page;
    // A category page without a count lists nothing, which is no failure; the list pages of
    // made-up ids are missing from the site.
    std::string err;
    for (const std::string& listPage : c.listPages) err += FailedPageLine(listPage);
    EXPECT_EQ(output.err, err) << c.page;
  }
  const CategoryRecord record = Record();
  EXPECT_TRUE(
      fs::is_directory(folder_ + "/" + Utf8Of(record.heading) + "/" + Utf8Of(record.linkText)));
}

TEST_F(CrawlRulesTest, HostileItemsSaveOnlyWhatStaysInsideTheCategoryFolder) {
  StartSite(sample_site_test::HostileSite());
  const CapturedOutput output = Crawl();
  EXPECT_EQ(output.out, SavedLines(site_->ExpectedFiles()));
  for (const auto& file : site_->ExpectedFiles()) {
    EXPECT_TRUE(Contents(file.utf8Path) == site_->FileContent(file)) << file.utf8Path;
  }
  // The "../" title and the name the file system refuses fail on their own; the links to
  // other hosts are skipped without a request.
  const std::string folder =
      folder_ + "/" + reinterpret_cast<const char*>(u8"幼儿园flash动画/3.成语故事flash动画/");
  EXPECT_EQ(output.err, u8Failed + folder + reinterpret_cast<const char*>(u8"../逃出.rar\r\n") +
                            u8Failed + folder + Utf8Of(sample_site_test::kTooLongTitle) +
                            ".rar\r\n");
  EXPECT_FALSE(
      fs::exists(folder_ + "/" + reinterpret_cast<const char*>(u8"幼儿园flash动画/逃出.rar")));
  for (const std::string& path : site_->RequestPaths()) {
    EXPECT_EQ(path.find("evil"), std::string::npos) << path;
  }
}

TEST_F(CrawlRulesTest, ATitleIsAFileNameOnlyWhereItsCharactersAreAndItsLineIsOneLine) {
  struct Case {
    std::string title;  // GBK, as the list page writes it
    bool saved;         // else the item fails
    std::string shown;  // the file name in the report line, UTF-8 as printed
  };
  const Case cases[] = {
      {"\x80/inner", false, Utf8(u8"€/inner.rar")},
      {"\x80\\x", false, Utf8(u8"€\\x.rar")},
      {"x.rar\r\n下载成功:假文件", false, Utf8(u8"x.rar\\x0d\\x0a下载成功:假文件.rar")},
      {"a\x1b[2Jb", false, "a\\x1b[2Jb.rar"},
      {"a\ab", false, "a\\x07b.rar"},  // BEL
      {"\xD6\x1b[31m", false, "\\xd6\\x1b[31m.rar"},
      {"课件", true, Utf8(u8"课件.rar")},
      {"\x81\\", true, Utf8(u8"乗.rar")},         // 81 5C keeps its second byte
      {"abc\xD6", false, "abc\xEF\xBF\xBD.rar"},  // D6 2E is no character: shown as U+FFFD
  };
  sample_site::SiteConfig config = OneCategory(1, static_cast<int>(std::size(cases)));
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    config.overrides[{1, 1, i + 1}] = sample_site_test::Title(cases[i].title);
  }
  StartSite(config);
  const CategoryRecord record = Record();
  const std::string folder =
      folder_ + "/" + Utf8Of(record.heading) + "/" + Utf8Of(record.linkText) + "/";
  const std::string euroFolder = folder + Utf8(u8"€");
  fs::create_directories(euroFolder);

  const CapturedOutput output = Crawl();
  std::string out, err;
  std::set<std::string> names;
  for (const Case& c : cases) {
    (c.saved ? out : err) += (c.saved ? u8Prefix : u8Failed) + folder + c.shown + "\r\n";
    if (c.saved) names.insert(c.shown);
  }
  EXPECT_EQ(output.out, out);
  EXPECT_EQ(output.err, err);
  std::set<std::string> onDisk;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) onDisk.insert(entry.path().lexically_relative(folder).string());
  }
  EXPECT_EQ(onDisk, names);
  std::set<std::string> expected;
  for (const auto& file : site_->ExpectedFiles()) {
    expected.insert(fs::path(file.utf8Path).filename().string());
  }
  EXPECT_EQ(expected, names) << "the sample site's model agrees";
}

TEST_F(CrawlRulesTest, AFailedFileWritesNothingAndKeepsTheOldFile) {
  StartSite(OneCategory(1, 1));
  const sample_site::Item& item = site_->Model().ItemByNumber(1);
  const sample_site::ExpectedFile file = site_->ExpectedFiles().at(0);
  const std::string failedLine = u8Failed + folder_ + "/" + file.utf8Path + "\r\n";
  Crawl();
  std::ofstream(folder_ + "/" + file.utf8Path) << "old complete file";

  Fault reset = Fault::Reset(1000);
  Fault truncated = Fault::Truncate(1000);
  const std::pair<std::string, Fault> faults[] = {
      {"404", Fault::Status(404)}, {"500", Fault::Status(500)},     {"reset mid-file", reset},
      {"truncated", truncated},    {"empty body", Fault::Body("")},
  };
  for (const auto& [name, fault] : faults) {
    site_->ClearFaults();
    site_->SetFault(PathPattern::Exact(item.filePath), fault);
    const CapturedOutput output = Crawl();
    EXPECT_EQ(output.out, "") << name;
    EXPECT_EQ(output.err, failedLine) << name;
    EXPECT_EQ(Contents(file.utf8Path), "old complete file") << name;
  }

  // An unresolved address (no link on the script page) is never fetched as the file.
  site_->ClearFaults();
  site_->SetFault(PathPattern::Exact(item.scriptPath), Fault::Body("no link"));
  site_->ClearRequests();
  const CapturedOutput output = Crawl();
  EXPECT_EQ(output.err, failedLine);
  EXPECT_EQ(site_->RequestPaths().back(), item.scriptPath);
  EXPECT_EQ(Contents(file.utf8Path), "old complete file");
  EXPECT_TRUE(saved_.size() == 1u) << "only the first, sound crawl saved a file";
}

// Where a category page or list page fails: its own line, and the crawl goes on with the body
// it got.
TEST_F(CrawlRulesTest, APageThatCannotBeFetchedIsReportedAndTheCrawlGoesOn) {
  StartSite(OneCategory(2, 1));
  const sample_site::SiteModel& model = site_->Model();
  const std::vector<sample_site::ExpectedFile> files = site_->ExpectedFiles();  // page 1, page 2
  ASSERT_EQ(files.size(), 2u);
  Fault headerBlock;  // far beyond any header block the exchange takes
  for (int i = 0; i < 140; ++i) {
    headerBlock.headers.emplace_back("X-Filler-" + std::to_string(i), std::string(8192, 'x'));
  }
  struct Case {
    const char* name;
    bool listPage;  // the fault is on list page 1, else on the category page
    Fault fault;
    bool failed;  // the page gets its line
    bool listed;  // what the page lists is still crawled
  };
  const Case cases[] = {
      {"category page not found", false, Fault::Body(model.NotFoundBody(), 404), true, false},
      {"category page reset", false, Fault::Reset(0), true, false},
      {"category page 500 with its own body", false, Fault::Status(500), true, true},
      {"category page empty", false, Fault::Body(""), false, false},
      {"list page 500", true, Fault::Body("<html>Internal Server Error</html>", 500), true, false},
      {"list page reset mid-body", true, Fault::Reset(100), true, false},
      {"list page redirected to a missing page", true, Fault::Redirect("/gone.html"), true, false},
      {"list page header block too large", true, headerBlock, true, false},
      {"list page empty", true, Fault::Body(""), false, false},
  };
  for (const Case& c : cases) {
    const std::string failing = c.listPage ? model.ListPagePath(1, 1) : model.CategoryPagePath(1);
    site_->ClearFaults();
    site_->SetFault(PathPattern::Exact(failing), c.fault);
    site_->ClearRequests();
    const CapturedOutput output = Crawl();
    EXPECT_EQ(output.err, c.failed ? FailedPageLine(failing) : "") << c.name;
    std::vector<sample_site::ExpectedFile> saved;
    if (c.listed || c.listPage) {
      if (c.listed) saved.push_back(files[0]);
      saved.push_back(files[1]);
    }
    EXPECT_EQ(output.out, SavedLines(saved)) << c.name;
    EXPECT_EQ(ListPageRequests().size(), c.listPage || c.listed ? 2u : 0u) << c.name;
  }
}

TEST_F(CrawlRulesTest, AFailedListPageShowsTheSitesListIdEscaped) {
  StartSite(OneCategory(1, 1));
  const std::string href = Record().href;
  site_->SetFault(PathPattern::Exact(site_->Model().CategoryPagePath(1)),
                  Fault::Body("共 <strong>1</strong> 'list_7\x1b[2J\r\n下载成功:x_1.html'"));
  const CapturedOutput output = Crawl();
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err,
            FailedPageLine(href + "list_7\\x1b[2J\\x0d\\x0a" + Utf8(u8"下载成功:x") + "_1.html"));
}

}  // namespace
