// Whole crawl jobs of the windowed program against the sample site, driven through the window's
// buttons. The site's gate holds chosen requests, so that a test knows which tasks are running
// without waiting on the clock.
#include "window_app/crawl_job.h"

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/automation/class_registry.h"
#include "platform/codepage.h"
#include "platform/kernel/call_faults.h"
#include "platform/kernel/kernel_thread.h"
#include "platform/kernel/thread_faults.h"
#include "runtime/files.h"
#include "runtime/process.h"
#include "runtime/text_operations.h"
#include "tests/captured_output.h"
#include "tests/page_failure_line.h"
#include "tests/scoped_environment.h"
#include "tests/thread_state.h"
#include "tools/sample_site/sample_site.h"
#include "window_app/category_task.h"
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

// The program's lines on a stream, which end in "\r\n", in any order (the workers write theirs
// at once); text after the last line end counts as a line too. Qt's offscreen platform writes
// notes of its own to standard error, which end in a bare "\n": they are left out.
std::multiset<std::string> Lines(const std::string& text) {
  std::multiset<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size() - 1);
    const std::string line = text.substr(start, end + 1 - start);
    if (!line.ends_with('\n') || line.ends_with("\r\n")) lines.insert(line);
    start = end + 1;
  }
  return lines;
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
    ReleasePosting();
    site_->ReleaseAll();
    // A job left running would go on using the window and the pool.
    EXPECT_TRUE(ProcessEventsUntil(
        [] {
          window_testing::AnswerMessageBox(kAnswerOk);
          return Thread::IsRunning(crawlThread->Cell()) == 0 &&
                 ThreadPool::State(threadPool->Cell()) == ThreadPool::kStateNone;
        },
        kJobLimit));
    platform::SetThreadCreationFilter(nullptr);
    platform::SetKernelCallObserver(nullptr);
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
  // Starts a job and finishes it, capturing what it writes on standard output and error.
  static CapturedOutput RunJob() {
    return CaptureOutput([] {
      EXPECT_TRUE(ClickUnit(按钮_开始工作));
      FinishJob();
    });
  }
  std::string SavedLine(const sample_site::ExpectedFile& file) const {
    return platform::GbkToUtf8("下载成功:" + SavedPath(file) + "\r\n").value();
  }
  void ExpectEveryFileSaved() const {
    for (const auto& file : site_->ExpectedFiles()) {
      EXPECT_EQ(Contents(file), site_->FileContent(file)) << file.utf8Path;
    }
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

  // Holds the crawl thread right before it posts the task of the given number (from 1) until
  // ReleasePosting: a pause or a stop clicked meanwhile comes before that task and every later
  // one, however fast the posting would go.
  void HoldPostingBefore(int task) {
    platform::SetKernelCallObserver([gate = posting_, task](const platform::KernelCall& call) {
      if (call.kind != platform::KernelCallKind::kPostQueuedCompletionStatus ||
          call.overlapped != reinterpret_cast<intptr_t>(&CategoryTaskEntry)) {
        return;
      }
      std::unique_lock lock(gate->mutex);
      if (++gate->posts == task) gate->changed.wait(lock, [&] { return gate->released; });
    });
  }
  void ReleasePosting() {
    {
      std::lock_guard lock(posting_->mutex);
      posting_->released = true;
    }
    posting_->changed.notify_all();
  }

  // In a paused job whose started tasks the site holds: every task is posted, and those that a
  // worker had started are each held by the site, the others by the pause.
  bool EveryTaskPostedWhilePaused() const {
    ThreadPool::Cell pool = threadPool->Cell();
    const int32_t busy = ThreadPool::BusyCount(pool);
    return busy + ThreadPool::QueuedCount(pool) == kCategories &&
           site_->HeldCount() == static_cast<size_t>(busy);
  }

  // Pauses a job while its first tasks run, lets every task be posted and the started ones go
  // on, and returns once the job has logged "等待线程结束..." and waits. started: the
  // categories whose tasks a worker had begun before the pause; the others stay held by the
  // pause, and the site holds their category pages should any be requested.
  void PauseUntilTheJobWaits(std::set<int>& started) {
    ThreadPool::Cell pool = threadPool->Cell();
    HoldCategoryPages(1, kCategories);
    HoldPostingBefore(2);
    ASSERT_TRUE(ClickUnit(按钮_开始工作));
    ASSERT_TRUE(site_->WaitUntilHeld(1, kJobLimit));
    ASSERT_TRUE(ClickUnit(按钮_暂停工作));
    ReleasePosting();
    ASSERT_TRUE(ProcessEventsUntil([&] { return EveryTaskPostedWhilePaused(); }, kJobLimit));
    started = RequestedCategories();
    ASSERT_EQ(started.size(), static_cast<size_t>(ThreadPool::BusyCount(pool)));
    ASSERT_LT(started.size(), static_cast<size_t>(kCategories));
    // A started task that finishes ends the posting.
    for (int c : started) site_->Release(PathPattern::Exact(site_->Model().CategoryPagePath(c)));
    ASSERT_TRUE(ProcessEventsUntil(
        [] {
          const std::vector<Text> entries = LogEntries();
          return std::find(entries.begin(), entries.end(), "等待线程结束...") != entries.end();
        },
        kJobLimit));
    // The line is in the log: the crawl thread has gone past it, and its next wait is the one
    // that keeps the pause.
    testing_support::AwaitSleeping(platform::GetThreadId(Thread::Handle(crawlThread->Cell())));
    ASSERT_EQ(ThreadPool::State(pool), ThreadPool::kStateRunning)
        << "the pool is being destroyed under the pause";
    EXPECT_EQ(Caption(按钮_暂停工作), "继续");
    EXPECT_EQ(RequestedCategories(), started);
  }

  struct PostingGate {
    std::mutex mutex;
    std::condition_variable changed;
    int posts = 0;
    bool released = false;
  };
  // Shared with the observer, which may still be returning on the crawl thread.
  const std::shared_ptr<PostingGate> posting_ = std::make_shared<PostingGate>();
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

TEST_F(CrawlJobTest, PauseHoldsTheTasksNoWorkerHadStartedUntilContinue) {
  ThreadPool::Cell pool = threadPool->Cell();
  const std::string firstList = site_->Model().ListPagePath(1, 1);
  HoldCategoryPages(2, kCategories);
  site_->Hold(PathPattern::Exact(firstList));
  site_->Hold(PathPattern::Exact(site_->Model().ListPagePath(1, 2)));
  HoldPostingBefore(2);
  ASSERT_TRUE(ClickUnit(按钮_开始工作));
  ASSERT_TRUE(site_->WaitUntilHeld(1, kJobLimit));  // the first task is running
  ASSERT_TRUE(ProcessEventsUntil([] { return LogText().ends_with(">\r\n"); }));
  ASSERT_TRUE(ClickUnit(按钮_暂停工作));
  ReleasePosting();
  EXPECT_EQ(Caption(按钮_暂停工作), "继续");
  // The note follows the last complete line and has no line break of its own.
  EXPECT_TRUE(LogText().ends_with("\r\n已暂停线程")) << LogText();

  ASSERT_TRUE(ProcessEventsUntil([&] { return EveryTaskPostedWhilePaused(); }, kJobLimit));
  const int32_t started = ThreadPool::BusyCount(pool);
  EXPECT_LT(started, kCategories);
  EXPECT_EQ(RequestedCategories().size(), static_cast<size_t>(started));

  // A running task goes on while the pool is paused.
  const size_t requestsBefore = site_->RequestCount();
  site_->Release(PathPattern::Exact(firstList));
  ASSERT_TRUE(site_->WaitForRequests(requestsBefore + 1 + 3 * 2, kJobLimit));
  ASSERT_TRUE(site_->WaitUntilHeld(static_cast<size_t>(started), kJobLimit));
  EXPECT_EQ(RequestedCategories().size(), static_cast<size_t>(started));

  ASSERT_TRUE(ClickUnit(按钮_暂停工作));
  EXPECT_EQ(Caption(按钮_暂停工作), "暂停");
  ASSERT_TRUE(site_->WaitUntilHeld(kCategories, kJobLimit));
  site_->ReleaseAll();
  FinishJob();
  EXPECT_EQ(LogEntries().back(), "线程销毁完成");
  ExpectEveryFileSaved();
}

TEST_F(CrawlJobTest, APauseHoldsPastThePostingUntilContinueThenEveryCategoryIsCrawled) {
  std::set<int> started;
  ASSERT_NO_FATAL_FAILURE(PauseUntilTheJobWaits(started));
  site_->ReleaseAll();
  ASSERT_TRUE(ClickUnit(按钮_暂停工作));
  EXPECT_EQ(Caption(按钮_暂停工作), "暂停");
  FinishJob();
  EXPECT_EQ(RequestedCategories().size(), static_cast<size_t>(kCategories));
  EXPECT_EQ(LogEntries().back(), "线程销毁完成");
  ExpectEveryFileSaved();
}

TEST_F(CrawlJobTest, AStopDuringAPauseThatHoldsPastThePostingDropsTheHeldCategories) {
  std::set<int> started;
  ASSERT_NO_FATAL_FAILURE(PauseUntilTheJobWaits(started));
  ASSERT_TRUE(ClickUnit(按钮_开始工作));  // 停止
  FinishJob();
  ASSERT_TRUE(ProcessEventsUntil(
      [] { return ThreadPool::State(threadPool->Cell()) == ThreadPool::kStateNone; }, kJobLimit));
  EXPECT_EQ(RequestedCategories(), started);
}

TEST_F(CrawlJobTest, StopDropsQueuedTasksAndAStartWhileTasksAreBusyStartsNothing) {
  HoldCategoryPages(1, kCategories);
  HoldPostingBefore(3);
  ASSERT_TRUE(ClickUnit(按钮_开始工作));
  ASSERT_TRUE(site_->WaitUntilHeld(2, kJobLimit));
  ASSERT_TRUE(ClickUnit(按钮_开始工作));  // 停止: waits 20 ms for the held tasks, no more
  ReleasePosting();
  EXPECT_EQ(Caption(按钮_开始工作), "开始");
  EXPECT_FALSE(PauseButtonDisabled());
  WaitForTheBox();
  CloseTheBox();
  const std::vector<Text> entries = LogEntries();
  EXPECT_EQ(entries.front(), "线程池创建成功<并发线程数：42>");
  EXPECT_EQ(std::count(entries.begin(), entries.end(), "等待线程结束..."), 1);
  const size_t started = RequestedCategories().size();
  EXPECT_LT(started, static_cast<size_t>(kCategories));

  // The stopped job's tasks still run: a start starts nothing, yet shows "停止".
  ASSERT_GT(ThreadPool::BusyCount(threadPool->Cell()), 0);
  ASSERT_TRUE(ClickUnit(按钮_开始工作));
  EXPECT_EQ(Caption(按钮_开始工作), "停止");
  EXPECT_FALSE(PauseButtonDisabled());
  CmdProcessEvents();
  EXPECT_EQ(Thread::IsRunning(crawlThread->Cell()), 0);
  EXPECT_EQ(categories->Count(), kCategories);

  site_->ReleaseAll();
  ASSERT_TRUE(ProcessEventsUntil(
      [] { return ThreadPool::State(threadPool->Cell()) == ThreadPool::kStateNone; }, kJobLimit));
  // The dropped tasks never ran; the running ones went on to their end.
  EXPECT_EQ(RequestedCategories().size(), started);
  ASSERT_TRUE(ClickUnit(按钮_开始工作));
  EXPECT_EQ(Caption(按钮_开始工作), "开始");
}

TEST_F(CrawlJobTest, NoCategoryRecordsPostsNothingAndEndsNormally) {
  platform::ScopedClassOverride unavailable(u"VBScript.RegExp", [] { return nullptr; });
  ASSERT_TRUE(ClickUnit(按钮_开始工作));
  FinishJob();
  const std::vector<Text> entries = LogEntries();
  EXPECT_EQ(entries, (std::vector<Text>{"线程池创建成功<并发线程数：0>", "等待线程结束...",
                                        "线程销毁完成"}));
  EXPECT_EQ(site_->RequestCount(), 0u);
  EXPECT_TRUE(fs::is_directory(SaveFolder()));
}

TEST_F(CrawlJobTest, PoolCreationFailureGivesTheButtonsBackWithoutABox) {
  const platform::ThreadId mainThread = platform::CurrentThreadId();
  // The crawl thread may be made; no thread it would make can be.
  platform::SetThreadCreationFilter([mainThread](const platform::ThreadCreationRequest&) {
    return platform::CurrentThreadId() == mainThread;
  });
  ASSERT_TRUE(ClickUnit(按钮_开始工作));
  ASSERT_TRUE(ProcessEventsUntil([] { return Thread::IsRunning(crawlThread->Cell()) == 0; }));
  CmdProcessEvents();
  EXPECT_EQ(LogEntries(), std::vector<Text>{"线程池创建失败，请重试！"});
  EXPECT_EQ(Caption(按钮_开始工作), "开始");
  EXPECT_TRUE(PauseButtonDisabled());
  EXPECT_FALSE(FindOpenMessageBox().has_value());
  EXPECT_EQ(site_->RequestCount(), 0u);
}

TEST_F(CrawlJobTest, ASiteThatRefusesEverythingGivesALinePerCategoryPageAndTheBox) {
  environment_.UseProxy("http://127.0.0.1:9");  // a closed port
  const CapturedOutput output = RunJob();
  std::multiset<std::string> lines;
  for (const auto& category : sample_site::BuiltInCategories()) {
    lines.insert(FailedPageLine(category.href));
  }
  EXPECT_EQ(Lines(output.err), lines);
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(LogEntries(), (std::vector<Text>{"线程池创建成功<并发线程数：42>", "等待线程结束...",
                                             "线程销毁完成"}));
}

TEST_F(CrawlJobTest, ACategoryPageAndAListPageThatFailAreSaidAndTheOthersAreSaved) {
  const sample_site::SiteModel& model = site_->Model();
  const std::string categoryPage = model.CategoryPagePath(2);
  const std::string listPage = model.ListPagePath(3, 2);
  site_->SetFault(PathPattern::Exact(categoryPage), Fault::Reset(0));
  site_->SetFault(PathPattern::Exact(listPage), Fault::Body(model.NotFoundBody(), 404));

  const CapturedOutput output = RunJob();
  EXPECT_EQ(Lines(output.err),
            (std::multiset<std::string>{FailedPageLine(categoryPage), FailedPageLine(listPage)}));
  std::multiset<std::string> savedLines;
  std::multiset<Text> logged;
  for (const auto& file : site_->ExpectedFiles()) {
    const sample_site::ItemKey key = model.ItemByNumber(file.itemNumber).key;
    if (key.category == 2 || (key.category == 3 && key.page == 2)) {
      EXPECT_FALSE(fs::exists(SaveFolder() / file.utf8Path)) << file.utf8Path;
      continue;
    }
    savedLines.insert(SavedLine(file));
    logged.insert(SavedPath(file));
    EXPECT_EQ(Contents(file), site_->FileContent(file)) << file.utf8Path;
  }
  EXPECT_EQ(savedLines.size(), site_->ExpectedFiles().size() - 2 * 2 - 2);
  EXPECT_EQ(Lines(output.out), savedLines);
  const std::vector<Text> entries = LogEntries();
  ASSERT_GE(entries.size(), 3u);
  std::multiset<Text> fileEntries(entries.begin() + 1, entries.end() - 1);
  fileEntries.erase(fileEntries.find("等待线程结束..."));
  EXPECT_EQ(fileEntries, logged);
}

// The failed items of a crawl: no log line and no file (an old file kept), "下载失败:" on
// standard error, and every other item saved.
class FailedItemsTest : public CrawlJobTest {
 protected:
  void BeforeLoad() override {
    overrides_[{.category = 3, .page = 1, .position = 1}].title = "a/b";
    CrawlJobTest::BeforeLoad();
  }
};

TEST_F(FailedItemsTest, AFailedItemIsReportedOnStandardErrorAndNeverLogged) {
  const sample_site::SiteModel& model = site_->Model();
  const std::vector<sample_site::ExpectedFile> files = site_->ExpectedFiles();
  const auto fileOf = [&](int category) {
    for (const auto& file : files) {
      if (model.ItemByNumber(file.itemNumber).key.category == category) return file;
    }
    return files.front();
  };
  const sample_site::ExpectedFile failedFile = fileOf(1);
  const sample_site::ExpectedFile notFound = fileOf(2);
  const sample_site::ExpectedFile reset = fileOf(4);
  site_->SetFault(PathPattern::Exact(model.ItemByNumber(failedFile.itemNumber).filePath),
                  Fault::Status(500));
  site_->SetFault(PathPattern::Exact(model.ItemByNumber(notFound.itemNumber).filePath),
                  Fault::Status(404));
  site_->SetFault(PathPattern::Exact(model.ItemByNumber(reset.itemNumber).filePath),
                  Fault::Reset(1000));
  fs::create_directories((SaveFolder() / failedFile.utf8Path).parent_path());
  std::ofstream(SaveFolder() / failedFile.utf8Path) << "old complete file";
  const sample_site::Item& slashItem = model.ItemAt({.category = 3, .page = 1, .position = 1});
  const Text folderB = CmdRunDirectory() + "/文件/" + model.Config().categories[2].heading + "/" +
                       model.Config().categories[2].linkText + "/";

  const std::string err = RunJob().err;

  const std::vector<const sample_site::ExpectedFile*> failed = {&failedFile, &notFound, &reset};
  const std::vector<Text> entries = LogEntries();
  const std::set<Text> logged(entries.begin(), entries.end());
  for (const sample_site::ExpectedFile* file : failed) {
    EXPECT_FALSE(logged.contains(SavedPath(*file))) << file->utf8Path;
    const std::string line = platform::GbkToUtf8("下载失败:" + SavedPath(*file) + "\r\n").value();
    EXPECT_NE(err.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(Contents(failedFile), "old complete file");
  EXPECT_FALSE(fs::exists(SaveFolder() / notFound.utf8Path));
  EXPECT_FALSE(fs::exists(SaveFolder() / reset.utf8Path));
  // The "/" title: no file anywhere for it, and no log line.
  const Text slashPath = folderB + slashItem.title + ".rar";
  EXPECT_FALSE(logged.contains(slashPath));
  EXPECT_NE(err.find(platform::GbkToUtf8("下载失败:" + slashPath).value()), std::string::npos);
  EXPECT_FALSE(fs::exists(platform::GbkToUtf8(folderB + "a").value()));
  for (const auto& file : files) {
    if (file.itemNumber == failedFile.itemNumber || file.itemNumber == notFound.itemNumber ||
        file.itemNumber == reset.itemNumber) {
      continue;
    }
    EXPECT_TRUE(logged.contains(SavedPath(file))) << file.utf8Path;
    EXPECT_EQ(Contents(file), site_->FileContent(file)) << file.utf8Path;
  }
}

}  // namespace
