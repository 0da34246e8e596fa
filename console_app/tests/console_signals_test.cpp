// trovanel-console ended by a signal while it writes a large file over a good old one: the
// write is held at a known step by the file-call shim (tests/file_call_shim.h), preloaded into
// the program, once the first part of the new file's bytes is on disk.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "console_app/tests/placed_console.h"
#include "tests/file_call_shim.h"
#include "tools/sample_site/sample_site.h"

namespace {

namespace fs = std::filesystem;

const std::string kOldContents = "a good file from an earlier run";
constexpr size_t kFileSize = 8u << 20;
constexpr size_t kHeldAfter = 1u << 20;

// How the file system at hand makes the new file.
enum class Road {
  kUnnamed,  // the file systems that offer unnamed files (O_TMPFILE)
  kNamed,    // the others, shown by the shim refusing O_TMPFILE
};

struct SignalRow {
  const char* name;
  int signal;
  Road road;
  // Whether the item's folder may keep a hidden temporary besides the old file: only where a
  // signal that no program can catch ends a write under a name.
  bool leavesTemporary = false;
};

void PrintTo(const SignalRow& row, std::ostream* out) { *out << row.name; }

std::set<std::string> EntriesOf(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// The hidden name the README gives what a killed write on a named road leaves: ".tv" and hex
// digits.
bool IsHiddenTemporary(const std::string& name) {
  return name.size() > 3 && name.starts_with(".tv") &&
         name.find_first_not_of("0123456789abcdef", 3) == std::string::npos;
}

class ConsoleSignals : public ::testing::TestWithParam<SignalRow> {
 protected:
  void SetUp() override { ASSERT_TRUE(console_.Placed()); }

  ChildEnvironment Environment(const std::string& proxy, Road road) const {
    ChildEnvironment environment = PlacedConsole::Environment(proxy);
    environment.emplace_back("LD_PRELOAD", TROVANEL_FILE_CALL_SHIM);
    environment.emplace_back(file_call_shim::kHoldAfterBytes, std::to_string(kHeldAfter));
    // The program's standard error, which the test reads.
    environment.emplace_back(file_call_shim::kHoldReportFd, "2");
    if (road == Road::kNamed) environment.emplace_back(file_call_shim::kRefuseUnnamedFiles, "1");
#if defined(__SANITIZE_ADDRESS__)
    const char* options = getenv("ASAN_OPTIONS");
    environment.emplace_back("ASAN_OPTIONS", std::string(options != nullptr ? options : "") +
                                                 ":verify_asan_link_order=0");
#endif
    return environment;
  }

  PlacedConsole console_;
};

TEST_P(ConsoleSignals, TheItemsFolderHoldsTheOldFileAndNothingElse) {
  const SignalRow& row = GetParam();
  // One category with one large file.
  sample_site::SampleSite site({.categories = sample_site::SelectCategories({1}),
                                .pagesPerCategory = 1,
                                .itemsPerPage = 1,
                                .fileSize = kFileSize,
                                .overrides = {}});
  ASSERT_TRUE(site.Start());
  const std::vector<sample_site::ExpectedFile> files = site.ExpectedFiles();
  ASSERT_EQ(files.size(), 1u);
  const fs::path oldFile = console_.SaveFolder() + files[0].utf8Path;
  const fs::path folder = oldFile.parent_path();
  fs::create_directories(folder);
  std::ofstream(oldFile, std::ios::binary) << kOldContents;
  const std::set<std::string> oldOnly = {oldFile.filename().string()};
  if (row.road == Road::kUnnamed && !file_call_shim::OffersUnnamedFiles(folder)) {
    GTEST_SKIP() << "the test folder's file system makes no unnamed files";
  }

  RunningChild child(console_.Program(), Environment(site.ProxyUrl(), row.road),
                     RunningChild::Output::kPipe);
  ASSERT_TRUE(child.Started());
  ASSERT_TRUE(child.ReadUntil(file_call_shim::kHeldLine)) << child.Arrived();
  // The road taken: a new file without a name, or one under a hidden name beside the old one.
  const std::set<std::string> whileHeld = EntriesOf(folder);
  if (row.road == Road::kUnnamed) {
    EXPECT_EQ(whileHeld, oldOnly);
  } else {
    EXPECT_EQ(whileHeld.size(), 2u);
  }
  child.Signal(row.signal);
  child.ReadToEnd();
  EXPECT_EQ(child.Wait(), -1);
  EXPECT_EQ(child.EndingSignal(), row.signal) << "the program ends as that signal ends it";

  EXPECT_EQ(console_.Contents(files[0].utf8Path), kOldContents);
  const std::set<std::string> left = EntriesOf(folder);
  if (!row.leavesTemporary) {
    EXPECT_EQ(left, oldOnly);
    return;
  }
  // What the README says a killed run can leave: one hidden ".tv" file holding the first part
  // of the new file.
  EXPECT_EQ(left, whileHeld);
  std::vector<std::string> others;
  for (const std::string& name : left) {
    if (oldOnly.count(name) == 0) others.push_back(name);
  }
  ASSERT_EQ(others.size(), 1u);
  EXPECT_TRUE(IsHiddenTemporary(others[0])) << others[0];
  EXPECT_EQ(fs::file_size(folder / others[0]), kHeldAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, ConsoleSignals,
    ::testing::Values(SignalRow{"Interrupt", SIGINT, Road::kUnnamed},
                      SignalRow{"Terminate", SIGTERM, Road::kUnnamed},
                      SignalRow{"HangUp", SIGHUP, Road::kUnnamed},
                      SignalRow{"Kill", SIGKILL, Road::kUnnamed},
                      SignalRow{"InterruptOnANamedRoad", SIGINT, Road::kNamed},
                      SignalRow{"TerminateOnANamedRoad", SIGTERM, Road::kNamed},
                      SignalRow{"HangUpOnANamedRoad", SIGHUP, Road::kNamed},
                      SignalRow{"KillOnANamedRoad", SIGKILL, Road::kNamed, true}),
    [](const ::testing::TestParamInfo<SignalRow>& info) { return info.param.name; });

}  // namespace
