// trovanel-console run as a process against the sample site, reached as the system proxy.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "console_app/tests/placed_console.h"
#include "tools/sample_site/sample_site.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ConsoleEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(console_.Placed()); }

  ChildResult Run(const std::string& proxy) { return console_.Run(proxy); }
  std::string Contents(const std::string& utf8Path) const { return console_.Contents(utf8Path); }
  std::string SaveFolder() const { return console_.SaveFolder(); }

  PlacedConsole console_;
};

// A site of these built-in categories (record numbers), each with pages x items files.
sample_site::SiteConfig SiteOf(const std::vector<int>& records, int pages, int items) {
  sample_site::SiteConfig config;
  config.categories = sample_site::SelectCategories(records);
  config.pagesPerCategory = pages;
  config.itemsPerPage = items;
  config.fileSize = 5000;
  return config;
}

TEST_F(ConsoleEndToEnd, SavesEveryFileOfEveryCategoryAndSaysSoInRecordOrder) {
  sample_site::SampleSite site(SiteOf({1, 2, 42}, 2, 2));
  ASSERT_TRUE(site.Start());
  const auto expected = site.ExpectedFiles();
  ASSERT_EQ(expected.size(), 12u);

  std::string lines;
  for (const auto& file : expected) lines += kSaved + SaveFolder() + file.utf8Path + "\r\n";
  const ChildResult first = Run(site.ProxyUrl());
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.out, lines + kDone);
  EXPECT_EQ(first.err, UnservedCategoryLines(site.Model()));
  EXPECT_GE(first.elapsed, 3000ms) << "the three-second wait comes last";
  for (const auto& file : expected) {
    EXPECT_TRUE(Contents(file.utf8Path) == site.FileContent(file)) << file.utf8Path;
  }

  // A second run fetches and writes every file again.
  std::ofstream(SaveFolder() + expected.front().utf8Path) << "changed";
  const ChildResult second = Run(site.ProxyUrl());
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.out, lines + kDone);
  EXPECT_TRUE(Contents(expected.front().utf8Path) == site.FileContent(expected.front()));
}

// A proxy on a closed port: no exchange gets through.
const std::string kNoSite = "http://127.0.0.1:9";

// What a run that reached no site writes on standard error: each category page it could not
// fetch, in record order.
std::string NoSiteLines() {
  std::string lines;
  for (const auto& category : sample_site::BuiltInCategories()) {
    lines += FailedPageLine(category.href);
  }
  return lines;
}

TEST_F(ConsoleEndToEnd, WithoutNetworkItSaysWhichPagesItCouldNotFetch) {
  const ChildResult result = Run(kNoSite);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, kDone);
  EXPECT_EQ(result.err, NoSiteLines());
  EXPECT_TRUE(fs::is_directory(SaveFolder()));
}

TEST_F(ConsoleEndToEnd, ACategoryPageAndAListPageThatFailAreSaidAndTheRestIsSaved) {
  sample_site::SampleSite site(SiteOf({1, 2, 3}, 2, 1));
  const sample_site::SiteModel& model = site.Model();
  const std::string categoryPage = model.CategoryPagePath(2);
  const std::string listPage = model.ListPagePath(3, 1);
  site.SetFault(sample_site::PathPattern::Exact(categoryPage),
                sample_site::Fault::Body(model.NotFoundBody(), 404));
  site.SetFault(sample_site::PathPattern::Exact(listPage), sample_site::Fault::Reset(0));
  ASSERT_TRUE(site.Start());

  const ChildResult result = Run(site.ProxyUrl());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, FailedPageLine(categoryPage) + FailedPageLine(listPage) +
                            UnservedCategoryLines(model, 4));
  std::string saved;
  for (const auto& file : site.ExpectedFiles()) {
    const sample_site::ItemKey key = model.ItemByNumber(file.itemNumber).key;
    if (key.category == 2 || (key.category == 3 && key.page == 1)) {
      EXPECT_EQ(Contents(file.utf8Path), "") << file.utf8Path;
      continue;
    }
    saved += kSaved + SaveFolder() + file.utf8Path + "\r\n";
    EXPECT_TRUE(Contents(file.utf8Path) == site.FileContent(file)) << file.utf8Path;
  }
  EXPECT_EQ(result.out, saved + kDone);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 3) << "categories 1 and 3 saved";
}

TEST_F(ConsoleEndToEnd, KilledAfterItsFirstFileItHasReportedEveryFileOnDisk) {
  sample_site::SampleSite site(SiteOf({1}, 1, 3));
  ASSERT_TRUE(site.Start());
  // The crawl stops at the second item, after the first file and its line.
  const sample_site::Item& second = site.Model().ItemAt({.category = 1, .page = 1, .position = 2});
  site.Hold(sample_site::PathPattern::Exact(second.detailLink));

  RunningChild child(console_.Program(), PlacedConsole::Environment(site.ProxyUrl()),
                     RunningChild::Output::kPipe);
  ASSERT_TRUE(child.Started());
  ASSERT_TRUE(site.WaitUntilHeld(1, 60s));
  child.Signal(SIGTERM);
  child.ReadToEnd();
  EXPECT_EQ(child.Wait(), -1);

  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(SaveFolder())) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  EXPECT_EQ(files.size(), 1u);
  for (const std::string& file : files) {
    EXPECT_NE(child.Arrived().find(kSaved + file + "\r\n"), std::string::npos)
        << file << " is on disk, but the pipe delivered only: " << child.Arrived();
  }
}

// The line comes before the three-second wait that lets the user read it.
TEST_F(ConsoleEndToEnd, SaysItIsDoneBeforeItsWaitOnAPipeAndOnATerminal) {
  for (const auto output : {RunningChild::Output::kPipe, RunningChild::Output::kTerminal}) {
    const bool pipe = output == RunningChild::Output::kPipe;
    const char* name = pipe ? "pipe" : "terminal";
    RunningChild child(console_.Program(), PlacedConsole::Environment(kNoSite), output);
    ASSERT_TRUE(child.Started()) << name;
    ASSERT_TRUE(child.ReadUntil(kDone)) << name;
    const auto arrived = std::chrono::steady_clock::now();
    child.ReadToEnd();
    EXPECT_EQ(child.Wait(), 0) << name;
    EXPECT_GE(std::chrono::steady_clock::now() - arrived, 2500ms) << name;
    std::string lines;
    for (const char c : NoSiteLines()) {
      if (c == '\n' && !pipe) lines += '\r';  // a terminal shows each "\n" as "\r\n"
      lines += c;
    }
    EXPECT_EQ(child.Arrived(), lines + kDone) << name;
  }
}

}  // namespace
