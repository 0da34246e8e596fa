// trovanel-console run as a process against the sample site, reached as the system proxy.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/child_process.h"
#include "tools/sample_site/sample_site.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kDone = reinterpret_cast<const char*>(u8"下载完成");
const std::string kSaved = reinterpret_cast<const char*>(u8"下载成功:");

class ConsoleEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/trovanel-console-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    program_ = PlaceProgram(TROVANEL_CONSOLE_PATH, folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  ChildResult Run(const std::string& proxy) {
    return RunChild(program_, {{"http_proxy", proxy}, {"no_proxy", ""}, {"LC_ALL", "C.UTF-8"}});
  }
  std::string Contents(const std::string& utf8Path) const {
    std::ifstream in(SaveFolder() + utf8Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string SaveFolder() const {
    return folder_ + "/" + reinterpret_cast<const char*>(u8"文件/");
  }

  std::string folder_;
  std::string program_;
};

TEST_F(ConsoleEndToEnd, SavesEveryFileOfEveryCategoryAndSaysSoInRecordOrder) {
  sample_site::SiteConfig config;
  config.categories = sample_site::SelectCategories({1, 2, 42});
  config.pagesPerCategory = 2;
  config.itemsPerPage = 2;
  config.fileSize = 5000;
  sample_site::SampleSite site(config);
  ASSERT_TRUE(site.Start());
  const auto expected = site.ExpectedFiles();
  ASSERT_EQ(expected.size(), 12u);

  std::string lines;
  for (const auto& file : expected) lines += kSaved + SaveFolder() + file.utf8Path + "\r\n";
  const ChildResult first = Run(site.ProxyUrl());
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.out, lines + kDone);
  EXPECT_EQ(first.err, "");
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

TEST_F(ConsoleEndToEnd, WithoutNetworkItSaysOnlyThatItIsDone) {
  const ChildResult result = Run("http://127.0.0.1:9");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, kDone);
  EXPECT_TRUE(fs::is_directory(SaveFolder()));
}

}  // namespace
