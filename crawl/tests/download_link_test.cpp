// The download chain against the sample site: detail page, one script page, the file address.
#include "crawl/download_link.h"

#include <gtest/gtest.h>

#include "crawl/site_address.h"
#include "tests/scoped_environment.h"
#include "tools/sample_site/sample_site.h"

namespace {

using sample_site::Fault;
using sample_site::PathPattern;

class ResolveDownloadLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site_.Start());
    environment_.UseProxy(site_.ProxyUrl());
  }
  static Text Address(const std::string& path) { return Text(SiteBaseAddress()) + path; }
  void Serve(const std::string& path, std::string body) {
    site_.SetFault(PathPattern::Exact(path), Fault::Body(std::move(body)));
  }

  sample_site::SampleSite site_;
  ScopedEnvironment environment_;
};

TEST_F(ResolveDownloadLinkTest, FollowsTheSitesChainToTheFile) {
  const sample_site::Item& item = site_.Model().ItemByNumber(1);
  EXPECT_EQ(ResolveDownloadLink(Address(item.detailPath)), Address(item.filePath));
  EXPECT_EQ(site_.RequestPaths(), (std::vector<std::string>{item.detailPath, item.scriptPath}));
  const auto requests = site_.Requests();
  EXPECT_EQ(requests[1].Header("Referer"), Address(item.scriptPath));
}

TEST_F(ResolveDownloadLinkTest, KeysAreTakenAsTheyStand) {
  Serve("/d.html", "<a href='/plus/download.php?open=0&amp;aid=5' target='_blank'>");
  Serve("/plus/download.php?open=0&amp;aid=5", "x /plus/download.php?id=9&h=x\" y");
  EXPECT_EQ(ResolveDownloadLink(Address("/d.html")), DownloadScriptAddress() + "id=9&h=x");
  EXPECT_EQ(site_.RequestPaths().back(), "/plus/download.php?open=0&amp;aid=5");
}

TEST_F(ResolveDownloadLinkTest, MissingMarkersGiveTheBareScriptAddress) {
  Serve("/d.html", "no link here");
  EXPECT_EQ(ResolveDownloadLink(Address("/d.html")), DownloadScriptAddress());
  // The second request still goes to the bare script address (libcurl sends an empty query
  // without its "?").
  EXPECT_EQ(site_.RequestPaths(), (std::vector<std::string>{"/d.html", "/plus/download.php"}));
  EXPECT_EQ(DownloadScriptAddress(), Address("/plus/download.php?"));
}

TEST_F(ResolveDownloadLinkTest, TheConsoleVariantMatchesCapitalisedMarkers) {
  Serve("/D.html", "<a href='/PLUS/DOWNLOAD.PHP?open=0&aid=7' TARGET='_blank'>");
  Serve("/plus/download.php?open=0&aid=7", "<a href=\"/PLUS/DOWNLOAD.PHP?id=7&u=Q\">");
  EXPECT_EQ(ResolveDownloadLink(Address("/D.html"), MarkerCase::kExact), DownloadScriptAddress());
  EXPECT_EQ(ResolveDownloadLink(Address("/D.html"), MarkerCase::kIgnoreCase),
            DownloadScriptAddress() + "id=7&u=Q");
}

}  // namespace
