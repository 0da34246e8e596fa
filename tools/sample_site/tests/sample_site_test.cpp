#include "tools/sample_site/sample_site.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tools/sample_site/tests/hostile_site.h"
#include "tools/sample_site/tests/raw_http.h"

namespace sample_site {
namespace {

using namespace std::chrono_literals;
using sample_site_test::FetchOnce;
using sample_site_test::HostileSite;
using sample_site_test::kTooLongTitle;
using sample_site_test::RawConnection;
using sample_site_test::RawResponse;

const std::string kHost = "http://host.example";

std::string Between(const std::string& text, const std::string& start, const std::string& end) {
  const size_t from = text.find(start);
  if (from == std::string::npos) return "";
  const size_t to = text.find(end, from + start.size());
  if (to == std::string::npos) return "";
  return text.substr(from + start.size(), to - from - start.size());
}

std::vector<std::string> SubMatches(const std::string& text, const std::string& pattern) {
  const std::regex expression(pattern, std::regex::icase);
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), expression);
       it != std::sregex_iterator(); ++it) {
    found.push_back((*it)[1]);
  }
  return found;
}

// Walks the site as the programs do, through the markup alone, and keeps what a sound crawl
// saves: no links to other hosts, no title that names another folder, no name too long.
std::map<std::string, std::string> CrawlByTheRules(int port, const std::vector<Category>& menu) {
  RawConnection connection(port);
  const auto page = [&](const std::string& path) { return connection.Get(kHost + path).body; };
  std::map<std::string, std::string> saved;
  for (const Category& category : menu) {
    const std::string categoryPage = page(category.href);
    const int pageCount = std::stoi(Between(categoryPage, "共 <strong>", "</strong>"));
    const std::string listId = Between(categoryPage, "'list_", "_");
    for (int n = 1; n <= pageCount; ++n) {
      const std::string list =
          page(category.href + "list_" + listId + "_" + std::to_string(n) + ".html");
      const auto links = SubMatches(list, R"re(<div align="center"><a href="([\s\S]*?)" title=)re");
      const auto titles = SubMatches(list, R"re(html" title="([\s\S]*?)" target)re");
      for (size_t j = 0; j < links.size(); ++j) {
        if (links[j].size() >= 40 || !links[j].starts_with("/") || links[j].starts_with("//")) {
          continue;
        }
        const std::string key = Between(page(links[j]), "download.php?", "' target");
        const std::string fileKey =
            Between(page("/plus/download.php?" + key), "/plus/download.php?", "\"");
        std::string title = j < titles.size() ? titles[j] : "";
        std::erase(title, '\\');
        const std::string file = page("/plus/download.php?" + fileKey);
        if (title.find('/') != std::string::npos || title.size() >= kTooLongTitle.size()) {
          continue;
        }
        saved[category.heading + "/" + category.linkText + "/" + title + ".rar"] = file;
      }
    }
  }
  return saved;
}

SiteConfig TwoCategories() {
  SiteConfig config;
  config.categories = SelectCategories({1, 14});
  config.pagesPerCategory = 2;
  config.itemsPerPage = 3;
  config.fileSize = 100'000;
  return config;
}

class SampleSiteTest : public testing::Test {
 protected:
  explicit SampleSiteTest(SiteConfig config = TwoCategories()) : site_(std::move(config)) {}
  void SetUp() override { ASSERT_TRUE(site_.Start()); }

  std::string FilePath(int itemNumber) const {
    return site_.Model().ItemByNumber(itemNumber).filePath;
  }

  SampleSite site_;
};

TEST_F(SampleSiteTest, ACrawlByTheRulesSavesTheExpectedFilesByteForByte) {
  const auto saved = CrawlByTheRules(site_.Port(), site_.Model().Config().categories);
  std::map<std::string, std::string> expected;
  for (const ExpectedFile& file : site_.ExpectedFiles()) {
    expected[file.path] = site_.FileContent(file);
  }
  ASSERT_EQ(expected.size(), 12u);
  EXPECT_TRUE(saved == expected);
  // The log holds the crawl's requests in order, each as the proxy form sent it.
  EXPECT_EQ(site_.RequestPaths(), site_.Model().CrawlRequests());
  const std::vector<LoggedRequest> requests = site_.Requests();
  EXPECT_EQ(requests[0].target, kHost + "/1s/yuwen/flash/36615.html");
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].Header("HOST"), "host.example");
  EXPECT_EQ(requests[0].Header("Accept"), "*/*");
  EXPECT_EQ(requests[0].headers.size(), 2u) << "only the lines the client sent";
  EXPECT_EQ(requests.back().connection, requests.front().connection) << "one kept-alive connection";
}

TEST(SampleSite, HostileItemsAreServedAsTheExpectedFilesAssume) {
  SampleSite site(HostileSite());
  ASSERT_TRUE(site.Start());
  std::map<std::string, std::string> expected;
  for (const ExpectedFile& file : site.ExpectedFiles()) {
    expected[file.path] = site.FileContent(file);
  }
  EXPECT_TRUE(CrawlByTheRules(site.Port(), site.Model().Config().categories) == expected);
}

TEST_F(SampleSiteTest, AnswersOriginAndAbsoluteFormsForAnyHost) {
  const std::string path = site_.Model().ListPagePath(2, 1);
  const RawResponse origin = FetchOnce(site_.Port(), path);
  const RawResponse proxied = FetchOnce(site_.Port(), "http://other.example" + path);
  EXPECT_EQ(origin.status, 200);
  EXPECT_TRUE(origin.complete);
  EXPECT_EQ(proxied.body, origin.body);
  EXPECT_EQ(site_.RequestPaths(), (std::vector<std::string>{path, path}));

  const RawResponse missing = FetchOnce(site_.Port(), kHost + "/no/such/page.html");
  EXPECT_EQ(missing.status, 404);
  EXPECT_NE(missing.body.find("404"), std::string::npos);
  EXPECT_EQ(FetchOnce(site_.Port(), kHost + FilePath(1)).HeaderValues("Content-Type"),
            (std::vector<std::string>{"application/octet-stream"}));
}

TEST_F(SampleSiteTest, ServesAHundredRequestsAtOnce) {
  // A held response keeps its request's thread, as a delayed one does: behind a pool of a few
  // threads most of them would wait unseen, never all held at once.
  site_.Hold(PathPattern::Any());
  std::vector<std::future<int>> statuses;
  for (int i = 0; i < 100; ++i) {
    statuses.push_back(std::async(std::launch::async, [&, i] {
      return FetchOnce(site_.Port(), kHost + FilePath(i % 12 + 1)).status;
    }));
  }
  EXPECT_TRUE(site_.WaitUntilHeld(100, 60s)) << site_.HeldCount() << " held at once";
  site_.ReleaseAll();
  for (auto& status : statuses) EXPECT_EQ(status.get(), 200);

  // A latency delays each response by at least that much.
  site_.SetLatency(200ms);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FetchOnce(site_.Port(), kHost + FilePath(1)).status, 200);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
}

TEST_F(SampleSiteTest, TheGateHoldsMatchingResponsesUntilReleased) {
  const PathPattern files = PathPattern::Prefix("/plus/download.php?open=2");
  site_.Hold(files);
  auto held = std::async(std::launch::async,
                         [&] { return FetchOnce(site_.Port(), kHost + FilePath(1)).status; });
  ASSERT_TRUE(site_.WaitUntilHeld(1, 10s));
  EXPECT_EQ(site_.RequestPaths().back(), FilePath(1)) << "logged on arrival, while held";
  EXPECT_EQ(FetchOnce(site_.Port(), kHost + site_.Model().CategoryPagePath(1)).status, 200)
      << "other paths pass";
  EXPECT_EQ(held.wait_for(50ms), std::future_status::timeout);
  site_.Release(files);
  EXPECT_EQ(held.get(), 200);
  EXPECT_EQ(site_.HeldCount(), 0u);
}

TEST_F(SampleSiteTest, StopEndsHeldAndStalledResponses) {
  site_.Hold(PathPattern::Exact(site_.Model().CategoryPagePath(1)));
  site_.SetFault(PathPattern::Exact(FilePath(1)), Fault::Stall(10));
  auto held = std::async(std::launch::async, [&] {
    return FetchOnce(site_.Port(), kHost + site_.Model().CategoryPagePath(1));
  });
  ASSERT_TRUE(site_.WaitUntilHeld(1, 10s));
  RawConnection stalled(site_.Port());
  EXPECT_EQ(stalled.Get(kHost + FilePath(1), 200ms).body, site_.Model().FileContent(1, 0, 10));

  const auto start = std::chrono::steady_clock::now();
  site_.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "no wait for a stall to end";
  held.get();  // answered or cut off, but no longer held
}

struct FaultCase {
  const char* name;
  Fault fault;
  std::function<void(const RawResponse&, const std::string& file,
                     std::chrono::steady_clock::duration took)>
      check;
};

TEST_F(SampleSiteTest, FaultsChangeTheResponseOfTheirPathsOnly) {
  const std::vector<FaultCase> cases = {
      {"status", Fault::Status(404),
       [](const RawResponse& response, const std::string& file, auto) {
         EXPECT_EQ(response.status, 404);
         EXPECT_EQ(response.body, file) << "an error page still has its body";
       }},
      {"redirect", Fault::Redirect("/show/2.html"),
       [](const RawResponse& response, const std::string&, auto) {
         EXPECT_EQ(response.status, 302);
         EXPECT_EQ(response.HeaderValues("Location"), (std::vector<std::string>{"/show/2.html"}));
       }},
      {"cookies", Fault::SetCookies({"a=1; path=/", "b=2; HttpOnly"}),
       [](const RawResponse& response, const std::string& file, auto) {
         EXPECT_EQ(response.status, 200);
         EXPECT_EQ(response.HeaderValues("Set-Cookie"),
                   (std::vector<std::string>{"a=1; path=/", "b=2; HttpOnly"}));
         EXPECT_EQ(response.body, file);
       }},
      {"body", Fault::Body("<p>no markers</p>", 500),
       [](const RawResponse& response, const std::string&, auto) {
         EXPECT_EQ(response.status, 500);
         EXPECT_EQ(response.body, "<p>no markers</p>");
       }},
      {"reset", Fault::Reset(1000),
       [](const RawResponse& response, const std::string& file, auto) {
         EXPECT_EQ(response.status, 200);
         EXPECT_EQ(response.error, ECONNRESET);
         EXPECT_FALSE(response.complete);
         EXPECT_LE(response.body.size(), 1000u);
         EXPECT_EQ(response.body, file.substr(0, response.body.size()));
       }},
      {"truncate", Fault::Truncate(1000),
       [](const RawResponse& response, const std::string& file, auto) {
         EXPECT_EQ(response.contentLength, file.size()) << "the whole length is announced";
         EXPECT_EQ(response.error, 0) << "an orderly close";
         EXPECT_EQ(response.body, file.substr(0, 1000));
       }},
      {"stall for a while", Fault::Stall(1000, 300ms),
       [](const RawResponse& response, const std::string& file, auto took) {
         EXPECT_TRUE(response.complete);
         EXPECT_EQ(response.body, file);
         EXPECT_GE(took, 300ms);
       }},
      {"head as bytes",
       Fault::Head("HTTP/1.1 203 As Sent\r\nZ-Last: 1\r\nContent-Length: 3\r\nA-First: 2\r\n\r\n",
                   "abc"),
       [](const RawResponse& response, const std::string&, auto) {
         EXPECT_EQ(response.status, 203);
         const std::vector<std::pair<std::string, std::string>> inTheirOrder = {
             {"Z-Last", "1"}, {"Content-Length", "3"}, {"A-First", "2"}};
         EXPECT_EQ(response.headers, inTheirOrder);
         EXPECT_EQ(response.body, "abc");
         EXPECT_TRUE(response.complete);
       }},
      {"trickle", Fault::Trickle(20'000, 30ms),
       [](const RawResponse& response, const std::string& file, auto took) {
         EXPECT_EQ(response.body, file);
         EXPECT_GE(took, 4 * 30ms) << "five pieces, one interval apart";
       }},
  };
  for (const FaultCase& fault : cases) {
    SCOPED_TRACE(fault.name);
    site_.ClearFaults();
    site_.SetFault(PathPattern::Regex("open=2&id=1&"), fault.fault);
    const auto start = std::chrono::steady_clock::now();
    const RawResponse response = FetchOnce(site_.Port(), kHost + FilePath(1));
    fault.check(response, site_.Model().FileContent(1), std::chrono::steady_clock::now() - start);
    const RawResponse other = FetchOnce(site_.Port(), kHost + FilePath(2));
    EXPECT_TRUE(other.complete && other.status == 200 && other.error == 0);
  }
}

TEST_F(SampleSiteTest, AStallSendsNothingMoreUntilTheSiteStops) {
  site_.SetFault(PathPattern::Exact(FilePath(3)), Fault::Stall(500));
  const RawResponse response = FetchOnce(site_.Port(), kHost + FilePath(3), 300ms);
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.error, ETIMEDOUT);
  EXPECT_EQ(response.body, site_.Model().FileContent(3, 0, 500));
}

TEST_F(SampleSiteTest, TheLastFaultSetForAPathApplies) {
  site_.SetFault(PathPattern::Any(), Fault::Status(503));
  site_.SetFault(PathPattern::Exact(FilePath(1)), Fault::Status(410));
  EXPECT_EQ(FetchOnce(site_.Port(), kHost + FilePath(1)).status, 410);
  EXPECT_EQ(FetchOnce(site_.Port(), kHost + FilePath(2)).status, 503);
}

}  // namespace
}  // namespace sample_site
