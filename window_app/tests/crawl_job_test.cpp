// Whole crawl jobs of the windowed program against the sample site, driven through the window's
// buttons. The site's gate holds chosen requests, so that a test knows which tasks are running
// without waiting on the clock.
#include "window_app/crawl_job.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/automation/class_registry.h"
#include "platform/codepage.h"
#include "platform/kernel/kernel_thread.h"
#include "platform/kernel/thread_faults.h"
#include "tests/scoped_environment.h"
#include "toolkit/runtime/files.h"
#include "toolkit/runtime/process.h"
#include "toolkit/runtime/text_operations.h"
#include "tools/sample_site/sample_site.h"
#include "window_app/framework/message_box.h"
#include "window_app/framework/unit_properties.h"
#include "window_app/tests/window_fixture.h"

namespace {

namespace fs = std::filesystem;
using sample_site::Fault;
using sample_site::PathPattern;
using window_testing::ClickUnit;
using window_testing::FindOpenMessageBox;
using window_testing::ProcessEventsUntil;

constexpr int kCategories = 42;
constexpr auto kJobLimit = std::chrono::seconds(120);

Text Caption(const Unit& unit) { return UnitValueText(RtReadUnitProperty(unit, kUnitCaption)); }
bool PauseButtonDisabled() {
  return UnitValueInteger(RtReadUnitProperty(按钮_暂停工作, kUnitDisabled)) == 1;
}
Text LogText() { return Caption(编辑框_日志); }

// The log's lines without their "[ HH:mm:ss] " stamps.
std::vector<Text> LogEntries() {
  std::vector<Text> entries;
  const Array<Text> lines = CmdSplitText(LogText(), "\r\n");
  for (int32_t i = 1; i <= lines.Count(); ++i) {
    const Text& line = lines.At(i);
    entries.push_back(line.size() >= 12 && line.starts_with("[ ") ? line.substr(12) : line);
  }
  return entries;
}

class CrawlJobTest : public MainWindowFixture {
 protected:
  void BeforeLoad() override {
    sample_site::SiteConfig config;
    config.pagesPerCategory = 2;
    config.itemsPerPage = 2;
    config.fileSize = 3000;
    config.overrides = overrides_;
    site_ = std::make_unique<sample_site::SampleSite>(config);
    ASSERT_TRUE(site_->Start());
    environment_.UseProxy(site_->ProxyUrl());
  }
  void TearDown() override {
    site_->ReleaseAll();
    // A job left running would go on using the window and the pool.
    EXPECT_TRUE(ProcessEventsUntil(
        [] {
          window_testing::AnswerMessageBox(kAnswerOk);
          return Thread::IsRunning(crawlThread->Cell()) == 0 &&
                 ThreadPool::State(threadPool->Cell()) == 0;
        },
        kJobLimit));
    platform::SetThreadCreationFilter(nullptr);
    MainWindowFixture::TearDown();
    fs::remove_all(SaveFolder());
  }

  static fs::path SaveFolder() {
    return fs::path(platform::GbkToUtf8(CmdRunDirectory()).value()) /
           reinterpret_cast<const char*>(u8"文件");
  }
  Text SavedPath(const sample_site::ExpectedFile& file) const {
    return CmdRunDirectory() + "/文件/" + file.path;
  }
  std::string Contents(const sample_site::ExpectedFile& file) const {
    std::ifstream in(SaveFolder() / file.utf8Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Waits for the "完成" box of the job and checks it and the buttons.
  static void WaitForTheBox() {
    ASSERT_TRUE(ProcessEventsUntil([] { return FindOpenMessageBox().has_value(); }, kJobLimit));
    const window_testing::OpenMessageBox box = *FindOpenMessageBox();
    EXPECT_EQ(box.caption, "信息：");
    EXPECT_EQ(box.text, "完成");
    EXPECT_EQ(box.flags, MB_OK | MB_TASKMODAL);
    EXPECT_TRUE(PauseButtonDisabled());
    EXPECT_EQ(Caption(按钮_开始工作), "开始");
  }
  // Closes the box and waits for the crawl thread to end.
  static void CloseTheBox() {
    ASSERT_TRUE(window_testing::AnswerMessageBox(kAnswerOk));
    ASSERT_TRUE(ProcessEventsUntil([] { return Thread::IsRunning(crawlThread->Cell()) == 0; }));
  }
  static void FinishJob() {
    WaitForTheBox();
    CloseTheBox();
  }
  std::multiset<Text> ExpectedLines(int runs) const {
    std::multiset<Text> lines;
    for (int run = 0; run < runs; ++run) {
      for (const auto& file : site_->ExpectedFiles()) lines.insert(SavedPath(file));
    }
    return lines;
  }
  size_t CategoryPageRequests() const {
    size_t count = 0;
    for (const std::string& path : site_->RequestPaths()) {
      const auto resource = site_->Model().Find(path);
      count += resource && resource->kind == sample_site::ResourceKind::kCategoryPage;
    }
    return count;
  }

  // The categories the site has had any request for.
  std::set<int> RequestedCategories() const {
    std::set<int> requested;
    for (const std::string& path : site_->RequestPaths()) {
      const std::optional<sample_site::Resource> resource = site_->Model().Find(path);
      if (!resource) continue;
      requested.insert(resource->category != 0
                           ? resource->category
                           : site_->Model().ItemByNumber(resource->itemNumber).key.category);
    }
    return requested;
  }
  void HoldCategoryPages(int first, int last) {
    for (int c = first; c <= last; ++c) {
      site_->Hold(PathPattern::Exact(site_->Model().CategoryPagePath(c)));
    }
  }

  std::map<sample_site::ItemKey, sample_site::ItemOverride> overrides_;
  std::unique_ptr<sample_site::SampleSite> site_;
  ScopedEnvironment environment_;
};

TEST_F(CrawlJobTest, RunsSaveEveryFileAndASecondRunCrawlsEverythingAgain) {
  fs::create_directory(SaveFolder());
  std::ofstream(SaveFolder() / "kept.txt") << "mine";
  const std::vector<sample_site::ExpectedFile> files = site_->ExpectedFiles();

  ASSERT_TRUE(ClickUnit(按钮_开始工作));
  EXPECT_EQ(Caption(按钮_开始工作), "停止");
  EXPECT_FALSE(PauseButtonDisabled());
  WaitForTheBox();
  // While the box is open the job's crawl thread still runs: a click starts nothing, yet
  // leaves "停止"; the next click takes the stop branch on the pool that is gone.
  ASSERT_TRUE(ClickUnit(按钮_开始工作));
  EXPECT_EQ(Caption(按钮_开始工作), "停止");
  EXPECT_FALSE(PauseButtonDisabled());
  CloseTheBox();
  EXPECT_EQ(categories->Count(), kCategories);
  ASSERT_TRUE(ClickUnit(按钮_开始工作));
  EXPECT_EQ(Caption(按钮_开始工作), "开始");

  const std::vector<Text> entries = LogEntries();
  ASSERT_GE(entries.size(), files.size() + 3);
  EXPECT_EQ(entries.front(), "线程池创建成功<并发线程数：42>");
  EXPECT_EQ(entries.back(), "线程销毁完成");
  const auto waiting = std::find(entries.begin(), entries.end(), "等待线程结束...");
  ASSERT_NE(waiting, entries.end());
  EXPECT_EQ(std::count(entries.begin(), entries.end(), "等待线程结束..."), 1);
  std::multiset<Text> fileLines(entries.begin() + 1, entries.end() - 1);
  fileLines.erase(fileLines.find("等待线程结束..."));
  EXPECT_EQ(fileLines, ExpectedLines(1));
  // Every task was posted and one finished before the wait began: some category's files are
  // all logged before it.
  const std::set<Text> before(entries.begin() + 1, waiting);
  bool aCategoryBefore = false;
  for (int c = 1; c <= kCategories && !aCategoryBefore; ++c) {
    bool all = true;
    for (const auto& file : files) {
      if (site_->Model().ItemByNumber(file.itemNumber).key.category == c) {
        all = all && before.contains(SavedPath(file));
      }
    }
    aCategoryBefore = all;
  }
  EXPECT_TRUE(aCategoryBefore);
  for (const auto& file : files) {
    EXPECT_EQ(Contents(file), site_->FileContent(file)) << file.utf8Path;
  }
  EXPECT_TRUE(fs::exists(SaveFolder() / "kept.txt"));

  // The second run appends the menu again: 84 records, every category crawled twice.
  for (const auto& file : files) fs::remove(SaveFolder() / file.utf8Path);
  site_->ClearRequests();
  ASSERT_TRUE(ClickUnit(按钮_开始工作));
  FinishJob();
  EXPECT_EQ(categories->Count(), 2 * kCategories);
  const std::vector<Text> all = LogEntries();
  const std::vector<Text> second(all.begin() + static_cast<ptrdiff_t>(entries.size()), all.end());
  ASSERT_GE(second.size(), 3u);
  EXPECT_EQ(second.front(), "线程池创建成功<并发线程数：84>");
  EXPECT_EQ(second.back(), "线程销毁完成");
  std::multiset<Text> secondLines(second.begin() + 1, second.end() - 1);
  secondLines.erase(secondLines.find("等待线程结束..."));
  EXPECT_EQ(secondLines, ExpectedLines(2));
  EXPECT_EQ(CategoryPageRequests(), 2u * kCategories);
  for (const auto& file : files) {
    EXPECT_EQ(Contents(file), site_->FileContent(file)) << file.utf8Path;
  }
}

}  // namespace
