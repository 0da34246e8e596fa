#include "runtime/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/file_call_shim.h"
#include "tests/scoped_environment.h"
#include "tests/temp_folder.h"
#include "tests/test_text.h"

namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.Made());
    folder_ = temp_.Path().string();
  }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  static std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  size_t EntryCount() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), {}));
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  }
  TempFolder temp_{"trovanel-files"};
  std::string folder_;
  // The file-call shim, linked into this test, reads it at each call.
  ScopedEnvironment environment_;
};

// The road a write takes: the one the test folder's file system offers (unnamed files on ext4,
// xfs, btrfs, tmpfs), or the one for file systems without unnamed files, where the file-call
// shim refuses O_TMPFILE.
enum class Road { kAsTheFileSystemOffers, kWithoutUnnamedFiles };

void PrintTo(Road road, std::ostream* out) {
  *out << (road == Road::kAsTheFileSystemOffers ? "AsTheFileSystemOffers" : "WithoutUnnamedFiles");
}

class FileWriteTest : public FilesTest, public ::testing::WithParamInterface<Road> {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    if (GetParam() == Road::kWithoutUnnamedFiles) {
      environment_.Set(file_call_shim::kRefuseUnnamedFiles, "1");
    }
  }
};

TEST_P(FileWriteTest, WriteCreatesReplacesAndJoinsParts) {
  const std::string path = Path("a.bin");
  const mode_t savedMask = umask(027);
  const bool created = CmdWriteFile(path, ByteArray(std::string("old contents")));
  const mode_t createdMode = ModeOf(path);
  umask(savedMask);
  ASSERT_TRUE(created);
  EXPECT_EQ(Contents(path), "old contents");
  EXPECT_EQ(createdMode, 0640u) << "0666 less the umask, as a plain create gives";
  ASSERT_TRUE(CmdWriteFile(path, ByteArray(std::string("ab\0", 3)), ByteArray(),
                           ByteArray(std::string("cd"))));
  EXPECT_EQ(Contents(path), std::string("ab\0cd", 5));
  EXPECT_EQ(ModeOf(path), 0666 & ~savedMask) << "a replaced file gets the mode of a new one";
  ASSERT_TRUE(CmdWriteFile(path));
  EXPECT_EQ(Contents(path), "");
  EXPECT_EQ(EntryCount(), 1u) << "no temporary file is left behind";
}

TEST_P(FileWriteTest, WriteFailsForEmptyPathMissingFolderAndFolderTarget) {
  EXPECT_FALSE(CmdWriteFile("", ByteArray(std::string("x"))));
  EXPECT_FALSE(CmdWriteFile(Path("missing/a.bin"), ByteArray(std::string("x"))));
  fs::create_directory(Path("sub"));
  EXPECT_FALSE(CmdWriteFile(Path("sub"), ByteArray(std::string("x"))));
  EXPECT_FALSE(CmdWriteFile(Path("bad\xFF.bin"), ByteArray(std::string("x"))))
      << "a name that is not GBK is refused, never mangled";
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_P(FileWriteTest, FailedWriteKeepsTheOldFile) {
  const std::string path = Path("keep.bin");
  ASSERT_TRUE(CmdWriteFile(path, ByteArray(std::string("complete"))));
  // A file-size limit makes the write of the new contents fail part-way, even for root; the
  // signal it raises must not end the process.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 16;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool written = CmdWriteFile(path, ByteArray(std::string(100, 'n')));
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_FALSE(written);
  EXPECT_EQ(Contents(path), "complete");
  EXPECT_EQ(EntryCount(), 1u) << "the unfinished temporary file is removed";
}

TEST_P(FileWriteTest, ConcurrentWritersLeaveOneCompleteFile) {
  const std::string path = Path("shared.bin");
  const ByteArray first(std::string(300000, 'a'));
  const ByteArray second(std::string(200000, 'b'));
  auto writer = [&](const ByteArray& bytes) {
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(CmdWriteFile(path, bytes));
  };
  std::thread one(writer, std::cref(first));
  std::thread two(writer, std::cref(second));
  one.join();
  two.join();
  const std::string contents = Contents(path);
  EXPECT_TRUE(contents == first.View() || contents == second.View());
  EXPECT_EQ(EntryCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Roads, FileWriteTest,
                         ::testing::Values(Road::kAsTheFileSystemOffers,
                                           Road::kWithoutUnnamedFiles),
                         [](const ::testing::TestParamInfo<Road>& info) {
                           return ::testing::PrintToString(info.param);
                         });

// Another writer makes the target after this write found none there and before the whole new
// file is linked to it: the new file replaces that one instead.
TEST_F(FilesTest, ATargetMadeJustBeforeTheLinkIsReplacedWhole) {
  if (!file_call_shim::OffersUnnamedFiles(folder_)) {
    GTEST_SKIP() << "the test folder's file system makes no unnamed files, so links none";
  }
  environment_.Set(file_call_shim::kOccupyLinkTarget, "late.bin");
  const std::string contents(100000, 'w');
  ASSERT_TRUE(CmdWriteFile(Path("late.bin"), ByteArray(contents)));
  EXPECT_TRUE(Contents(Path("late.bin")) == contents);
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(FilesTest, ReadGivesWholeFileOrEmpty) {
  const std::string path = Path("r.bin");
  std::ofstream(path, std::ios::binary) << std::string("x\0y", 3);
  EXPECT_EQ(CmdReadFile(path).View(), std::string("x\0y", 3));
  EXPECT_TRUE(CmdReadFile("").Empty());
  EXPECT_TRUE(CmdReadFile(Path("missing")).Empty());
  std::ofstream(Path("empty"));
  EXPECT_TRUE(CmdReadFile(Path("empty")).Empty());
}

TEST_F(FilesTest, GbkNamesAreUtf8OnDisk) {
  // "文件" in GBK.
  const std::string gbkName = "\xCE\xC4\xBC\xFE";
  ASSERT_TRUE(CmdCreateDirectory(Path(gbkName)));
  EXPECT_TRUE(fs::is_directory(Path(Utf8(u8"文件"))));
  EXPECT_FALSE(CmdCreateDirectory(Path(gbkName))) << "an existing folder gives false";
  EXPECT_FALSE(CmdCreateDirectory(Path("no/parent")));
  ASSERT_TRUE(CmdWriteFile(Path(gbkName + "/x.rar"), ByteArray(std::string("rar"))));
  EXPECT_EQ(Contents(Path(Utf8(u8"文件") + "/x.rar")), "rar");
  EXPECT_EQ(CmdReadFile(Path(gbkName + "/x.rar")).View(), "rar");
  // A folder the system names with a euro sign (code page 936's one-byte 80), as a program
  // folder may be: its files are written there too.
  ASSERT_TRUE(CmdCreateDirectory(Path("\x80")));
  ASSERT_TRUE(CmdWriteFile(Path("\x80/y.rar"), ByteArray(std::string("y"))));
  EXPECT_EQ(Contents(Path(Utf8(u8"€") + "/y.rar")), "y");
}

TEST(CmdRunDirectory, IsTheProgramFolderWithoutTrailingSlash) {
  const Text folder = CmdRunDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_EQ(fs::canonical("/proc/self/exe").parent_path().string(), folder);
}

}  // namespace
