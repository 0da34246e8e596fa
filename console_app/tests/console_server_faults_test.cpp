// trovanel-console against a site whose file responses are faulty or hostile: whatever a file's
// server sends, that item is either saved whole or fails on its own with the good file already
// at its path kept as it was, and the crawl goes on to its end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "console_app/tests/placed_console.h"
#include "tests/compressed.h"
#include "tools/sample_site/sample_site.h"

namespace {

namespace fs = std::filesystem;
using sample_site::Fault;
using sample_site::PathPattern;

const std::string kOldContents = "a good file from an earlier run";

// An address-space limit cannot be combined with the sanitizers' shadow memory.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSpaceCanBeLimited = false;
#else
constexpr bool kAddressSpaceCanBeLimited = true;
#endif
// Far below what a body the server decides could take: the program fits many times over, a
// reservation of the announced 4 GiB or an endless body does not.
constexpr rlim_t kAddressSpace = 512u << 20;

// Whether a row runs the program under kAddressSpace.
enum class AddressSpace {
  kUnlimited,
  kLimitedWherePossible,  // without the limit the row still shows the sound behaviour
  kLimitedOnly,           // without it the row would take gigabytes: skipped
};

struct FaultRow {
  const char* name;
  Fault fault;  // on the first item's file
  ChildLimits limits = {};
  size_t fileSize = 1000;  // of the first item's file
  AddressSpace addressSpace = AddressSpace::kUnlimited;
  // What the first item's file is saved with; nullopt: the item fails and its old file stays.
  std::optional<std::string> saved = std::nullopt;
};

void PrintTo(const FaultRow& row, std::ostream* out) { *out << row.name; }

Fault WithHeader(Fault fault, std::string name, std::string value) {
  fault.headers.emplace_back(std::move(name), std::move(value));
  return fault;
}

// A file's contents that a server sends compressed, and the streams the rows send of it.
const std::string kCodedFile = [] {
  std::string file(50000, '\0');
  uint32_t state = 1;
  for (char& byte : file) {
    state = state * 1103515245 + 12345;
    byte = static_cast<char>('a' + (state >> 16) % 16);
  }
  return file;
}();
Fault Coded(const char* coding, std::string sent) {
  return WithHeader(Fault::Body(std::move(sent)), "Content-Encoding", coding);
}
std::string CutShort(const std::string& stream) { return stream.substr(0, stream.size() * 2 / 3); }

class ConsoleServerFaults : public ::testing::TestWithParam<FaultRow> {
 protected:
  void SetUp() override { ASSERT_TRUE(console_.Placed()); }

  PlacedConsole console_;
};

TEST_P(ConsoleServerFaults, TheItemIsSavedWholeOrFailsWithItsOldFileKeptAndTheCrawlGoesOn) {
  const FaultRow& row = GetParam();
  ChildLimits limits = row.limits;
  if (row.addressSpace != AddressSpace::kUnlimited) {
    if (kAddressSpaceCanBeLimited) {
      limits.addressSpaceBytes = kAddressSpace;
    } else if (row.addressSpace == AddressSpace::kLimitedOnly) {
      GTEST_SKIP() << "needs an address-space limit, which the sanitizers rule out";
    }
  }
  sample_site::SiteConfig config;
  constexpr int kRecord = 3;  // the one category the site serves
  config.categories = sample_site::SelectCategories({kRecord});
  config.pagesPerCategory = 1;
  config.itemsPerPage = 2;
  config.fileSize = 1000;
  config.overrides[{1, 1, 1}].fileSize = row.fileSize;
  sample_site::SampleSite site(config);
  const std::vector<sample_site::ExpectedFile> files = site.ExpectedFiles();
  ASSERT_EQ(files.size(), 2u);
  site.SetFault(PathPattern::Exact(site.Model().ItemByNumber(1).filePath), row.fault);
  ASSERT_TRUE(site.Start());

  const fs::path oldFile = console_.SaveFolder() + files[0].utf8Path;
  fs::create_directories(oldFile.parent_path());
  std::ofstream(oldFile, std::ios::binary) << kOldContents;

  const ChildResult result = console_.Run(site.ProxyUrl(), limits);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string before = UnservedCategoryLines(site.Model(), 1, kRecord - 1);
  const std::string after = UnservedCategoryLines(site.Model(), kRecord + 1);
  const std::string secondSaved = kSaved + console_.SaveFolder() + files[1].utf8Path + "\r\n";
  if (row.saved) {
    EXPECT_EQ(result.err, before + after);
    EXPECT_EQ(result.out, kSaved + oldFile.string() + "\r\n" + secondSaved + kDone);
    EXPECT_TRUE(console_.Contents(files[0].utf8Path) == *row.saved);
  } else {
    EXPECT_EQ(result.err, before + kFailed + oldFile.string() + "\r\n" + after);
    EXPECT_EQ(result.out, secondSaved + kDone);
    EXPECT_EQ(console_.Contents(files[0].utf8Path), kOldContents);
  }
  EXPECT_TRUE(console_.Contents(files[1].utf8Path) == site.FileContent(files[1]));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(oldFile.parent_path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 2u) << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ConsoleServerFaults,
    ::testing::Values(
        FaultRow{"EndlessBody", Fault::Endless(), {}, 1000, AddressSpace::kLimitedOnly},
        FaultRow{"HugeAnnouncedLength",
                 Fault::Announce(4294967295u, "0123456789"),
                 {},
                 1000,
                 AddressSpace::kLimitedWherePossible},
        FaultRow{"PartialContent", Fault::Status(206), {}},
        FaultRow{"PartialContentBehindAStatusLikeHeader",
                 WithHeader(Fault::Status(206), "HTTP/1.1 200 OK", "x"),
                 {}},
        FaultRow{"ConflictingLengths", WithHeader({}, "Content-Length", "16"), {}},
        FaultRow{"LengthBesideChunked",
                 WithHeader(Fault::Chunked(std::string(500, 'c')), "Content-Length", "500"),
                 {}},
        FaultRow{"ShorterThanAnnounced", Fault::Truncate(400), {}},
        FaultRow{"UnknownContentCoding", WithHeader({}, "Content-Encoding", "x-squash"), {}},
        FaultRow{
            "GzipCutShort", Coded("gzip", CutShort(Compressed(Coding::kGzip, kCodedFile))), {}},
        FaultRow{"DeflateCutShort",
                 Coded("deflate", CutShort(Compressed(Coding::kZlib, kCodedFile))),
                 {}},
        FaultRow{
            "BrotliCutShort", Coded("br", CutShort(Compressed(Coding::kBrotli, kCodedFile))), {}},
        FaultRow{"BytesAfterTheGzipEnd",
                 Coded("gzip", Compressed(Coding::kGzip, kCodedFile) + "trailing"),
                 {}},
        // libcurl's own decoder let up to four such bytes pass.
        FaultRow{"BytesAfterTheRawDeflateEnd",
                 Coded("deflate", Compressed(Coding::kRawDeflate, kCodedFile) + "tail"),
                 {}},
        // Unfolded, the length is "5 6", which is none.
        FaultRow{"FoldedContentLength",
                 Fault::Head("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n 6\r\n\r\n", "123456"),
                 {}},
        FaultRow{.name = "TwoGzipMembers",
                 .fault = Coded("gzip", Compressed(Coding::kGzip, kCodedFile.substr(0, 20000)) +
                                            Compressed(Coding::kGzip, kCodedFile.substr(20000))),
                 .saved = kCodedFile},
        FaultRow{"FileSizeLimit", Fault{}, ChildLimits{std::nullopt, 100000}, 200000}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return info.param.name; });

}  // namespace
