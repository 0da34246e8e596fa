// HttpRequest over real exchanges with the sample site on loopback, reached as the proxy.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>

#include "tests/compressed.h"
#include "tests/scoped_environment.h"
#include "toolkit/http_request.h"
#include "tools/sample_site/sample_site.h"

namespace {

using sample_site::Fault;
using sample_site::PathPattern;
using namespace std::chrono_literals;

const Text kHost = "http://site.example";

class HttpExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site_.Start());
    environment_.UseProxy(site_.ProxyUrl());
  }

  // The body and final status of a GET with only the address (and the status) given.
  std::pair<std::string, int32_t> Get(const std::string& path, int32_t timeoutSeconds = 0) {
    int32_t status = -1;
    ByteArray body =
        HttpRequest(kHost + path, 0, nullptr, nullptr, nullptr, nullptr, nullptr, false, nullptr,
                    nullptr, nullptr, timeoutSeconds, nullptr, nullptr, std::nullopt, &status);
    return {std::string(body.View()), status};
  }

  sample_site::SampleSite site_;
  ScopedEnvironment environment_;
};

TEST_F(HttpExchange, RedirectsAreFollowedUnlessSwitchedOff) {
  site_.SetFault(PathPattern::Exact("/old"), Fault::Redirect("/new"));
  site_.SetFault(PathPattern::Exact("/new"), Fault::Body("final page"));
  EXPECT_EQ(Get("/old"), std::make_pair(std::string("final page"), 200));

  Text location, responseHeaders;
  int32_t status = 0;
  HttpRequest(kHost + "/old", 0, nullptr, nullptr, nullptr, nullptr, &location, true, nullptr,
              nullptr, &responseHeaders, 0, nullptr, nullptr, std::nullopt, &status);
  EXPECT_EQ(status, 302);
  EXPECT_EQ(location, "/new");
  EXPECT_EQ(responseHeaders.find("HTTP/"), std::string::npos) << "no status line";
  EXPECT_NE(responseHeaders.find("Location: /new"), std::string::npos);
}

TEST_F(HttpExchange, CookiesAreSentSetAndMerged) {
  site_.SetFault(PathPattern::Exact("/c"), Fault::SetCookies({"a=1; path=/", "b=2; HttpOnly"}));
  Text cookies = "a=0; c=3", received;
  HttpRequest(kHost + "/c", 0, nullptr, &cookies, &received);
  EXPECT_EQ(cookies, "a=1; b=2; c=3");
  EXPECT_EQ(received, "a=1;b=2");
  const std::vector<sample_site::LoggedRequest> requests = site_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("Cookie"), "a=0; c=3");
  EXPECT_EQ(requests[0].Header("Referer"), kHost + "/c");
  EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[0].Header("Accept-Language"), "zh-cn");
  EXPECT_EQ(requests[0].method, "GET");
}

TEST_F(HttpExchange, AnAddressGoesOutAsPercentEncodedUtf8WithStrayBytesAsThemselves) {
  // "中" (D6 D0), a blank, and 0xFF, which begins no GBK character.
  Get("/\xD6\xD0 \xFFx");
  const std::vector<sample_site::LoggedRequest> requests = site_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, "/%E4%B8%AD%20%FFx");
}

TEST_F(HttpExchange, AnErrorPageIsReturnedWithItsStatus) {
  site_.SetFault(PathPattern::Exact("/gone"), Fault::Body("not here", 404));
  EXPECT_EQ(Get("/gone"), std::make_pair(std::string("not here"), 404));
}

TEST_F(HttpExchange, ABrokenTransferIsAFailedExchange) {
  const std::string body(200000, 'x');
  site_.SetFault(PathPattern::Exact("/reset"), [&] {
    Fault fault = Fault::Reset(50000);
    fault.body = body;
    return fault;
  }());
  site_.SetFault(PathPattern::Exact("/short"), [&] {
    Fault fault = Fault::Truncate(50000);
    fault.body = body;
    return fault;
  }());
  for (const char* path : {"/reset", "/short"}) {
    Text location = "as passed", responseHeaders = "old", received = "old";
    int32_t status = -1;
    ByteArray result =
        HttpRequest(kHost + path, 0, nullptr, nullptr, &received, nullptr, &location, false,
                    nullptr, nullptr, &responseHeaders, 0, nullptr, nullptr, std::nullopt, &status);
    EXPECT_TRUE(result.Empty()) << path;
    EXPECT_EQ(status, 0) << path;
    EXPECT_EQ(responseHeaders, "") << path;
    EXPECT_EQ(received, "") << path;
    EXPECT_EQ(location, "as passed") << path;
  }
}

TEST_F(HttpExchange, TheLongestTimeOutsStillFetch) {
  // Resolve + connect limits of 1073742 s and more leave the 32-bit range when added.
  site_.SetFault(PathPattern::Exact("/p"), Fault::Body("page"));
  for (int32_t seconds : {1073742, 2147483, 2147484, std::numeric_limits<int32_t>::max()}) {
    EXPECT_EQ(Get("/p", seconds), std::make_pair(std::string("page"), 200)) << seconds;
  }
}

TEST_F(HttpExchange, AStalledServerFailsAfterTheStallLimit) {
  site_.SetFault(PathPattern::Exact("/stall"), [] {
    Fault fault = Fault::Stall(1000);
    fault.body = std::string(5000, 's');
    return fault;
  }());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Get("/stall", 1), std::make_pair(std::string(), 0));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 1s);
  EXPECT_LT(elapsed, 10s);
}

TEST_F(HttpExchange, ALongTransferThatKeepsMovingIsNotCut) {
  // 20 MB in 40 pieces, one every 100 ms: longer in all than the three-second stall limit, with
  // gaps far below it even on a machine that is slow to schedule the site's thread.
  std::string body(20 * 1024 * 1024, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 131 % 251);
  Fault fault = Fault::Trickle(body.size() / 40, 100ms);
  fault.body = body;
  site_.SetFault(PathPattern::Exact("/big.rar"), fault);
  const auto start = std::chrono::steady_clock::now();
  const auto [received, status] = Get("/big.rar", 3);
  EXPECT_GT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_EQ(status, 200);
  EXPECT_TRUE(received == body) << "received " << received.size() << " bytes";
}

TEST_F(HttpExchange, ACompressedBodyArrivesDecodedThoughNoCodingIsAsked) {
  const std::string page = "<html>课件 <strong>3</strong> 'list_7_</html>";
  std::string file(1 << 20, '\0');
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>(i * 7919 % 253);
  struct Case {
    const char* name;
    std::string coding;
    std::string sent;
    std::string expected;  // "" for a failed exchange
  };
  const Case cases[] = {
      {"gzip page", "gzip", Compressed(Coding::kGzip, page), page},
      {"gzip file", "gzip", Compressed(Coding::kGzip, file), file},
      {"deflate file", "deflate", Compressed(Coding::kZlib, file), file},
      {"br file", "br", Compressed(Coding::kBrotli, file), file},
      {"zstd file", "zstd", Compressed(Coding::kZstd, file), file},
      {"identity", "identity", page, page},
      {"unknown coding", "x-squash", Compressed(Coding::kGzip, page), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    site_.ClearFaults();
    site_.ClearRequests();
    Fault fault = Fault::Body(c.sent);
    fault.headers = {{"Content-Encoding", c.coding}};
    site_.SetFault(PathPattern::Exact("/coded"), fault);
    const auto [body, status] = Get("/coded");
    EXPECT_TRUE(body == c.expected) << body.size() << " bytes";
    EXPECT_EQ(status, c.expected.empty() ? 0 : 200);
    const std::vector<sample_site::LoggedRequest> requests = site_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("Accept-Encoding"), std::nullopt);
  }
  // A caller that names the codings it takes still has them sent.
  site_.ClearRequests();
  Text headers = "Accept-Encoding: br";
  HttpRequest(kHost + "/coded", 0, nullptr, nullptr, nullptr, &headers);
  const std::vector<sample_site::LoggedRequest> requests = site_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("Accept-Encoding"), "br");
}

TEST_F(HttpExchange, ASecondRequestOnTheSameThreadReusesTheConnection) {
  site_.SetFault(PathPattern::Exact("/one"), Fault::Body("1"));
  site_.SetFault(PathPattern::Exact("/two"), Fault::Body("2"));
  EXPECT_EQ(Get("/one").first, "1");
  EXPECT_EQ(Get("/two").first, "2");
  const std::vector<sample_site::LoggedRequest> requests = site_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].connection, requests[1].connection);
}

TEST(HttpExchangeWithoutServer, ARefusedConnectionGivesNothing) {
  ScopedEnvironment environment;
  environment.UseProxy("http://127.0.0.1:9");
  int32_t status = -1;
  EXPECT_TRUE(HttpRequest(kHost + "/", 0, nullptr, nullptr, nullptr, nullptr, nullptr, false,
                          nullptr, nullptr, nullptr, 0, nullptr, nullptr, std::nullopt, &status)
                  .Empty());
  EXPECT_EQ(status, 0);
}

}  // namespace
