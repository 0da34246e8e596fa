#include "tools/sample_site/command_line.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace sample_site {
namespace {

TEST(CommandLine, SetsTheKnobsOfTheSite) {
  const CommandLine line =
      ParseCommandLine({"--categories", "2,40-42", "--pages", "3", "--items", "10", "--file-size",
                        "64k", "--latency-ms", "5", "--seed", "7", "--port", "8080", "--fault",
                        "open=2&id=3&", "truncate:1k", "--log"});
  EXPECT_EQ(line.action, Action::kServe);
  EXPECT_EQ(line.config.categories, SelectCategories({2, 40, 41, 42}));
  EXPECT_EQ(line.config.pagesPerCategory, 3);
  EXPECT_EQ(line.config.itemsPerPage, 10);
  EXPECT_EQ(line.config.fileSize, 65536u);
  EXPECT_EQ(line.config.seed, 7u);
  EXPECT_EQ(line.latency.count(), 5);
  EXPECT_EQ(line.port, 8080);
  EXPECT_TRUE(line.logRequests);
  ASSERT_EQ(line.faults.size(), 1u);
  EXPECT_TRUE(line.faults[0].first.Matches("/plus/download.php?open=2&id=3&uhash=1"));
  EXPECT_FALSE(line.faults[0].first.Matches("/plus/download.php?open=2&id=33&uhash=1"));
  EXPECT_EQ(line.faults[0].second.bodyBreak, BodyBreak::kTruncate);
  EXPECT_EQ(line.faults[0].second.breakAfter, 1024u);

  EXPECT_EQ(ParseCommandLine({"--export-files", "/tmp/x"}).exportFolder, "/tmp/x");
  EXPECT_EQ(ParseCommandLine({"--list-requests"}).action, Action::kListRequests);
  EXPECT_EQ(ParseCommandLine({}).config.categories.size(), 42u);
}

TEST(CommandLine, RefusesWhatItCannotRead) {
  const std::vector<std::vector<std::string>> bad = {
      {"--pages"},                     // no value
      {"--pages", "two"},              // not a number
      {"--categories", "0"},           // no such record
      {"--categories", "1,43"},        //
      {"--fault", "x", "explode:1"},   // no such fault
      {"--fault", "x", "trickle:10"},  // no interval
      {"--fault", "(", "status:404"},  // not a regular expression
      {"--frobnicate"},
  };
  for (const auto& arguments : bad) {
    EXPECT_ANY_THROW(ParseCommandLine(arguments)) << arguments.front();
  }
}

}  // namespace
}  // namespace sample_site
