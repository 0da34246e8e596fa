#include "toolkit/runtime/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

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
  TempFolder temp_{"trovanel-files"};
  std::string folder_;
};

TEST_F(FilesTest, WriteCreatesReplacesAndJoinsParts) {
  const std::string path = Path("a.bin");
  ASSERT_TRUE(CmdWriteFile(path, ByteArray(std::string("old contents"))));
  EXPECT_EQ(Contents(path), "old contents");
  ASSERT_TRUE(CmdWriteFile(path, ByteArray(std::string("ab\0", 3)), ByteArray(),
                           ByteArray(std::string("cd"))));
  EXPECT_EQ(Contents(path), std::string("ab\0cd", 5));
  ASSERT_TRUE(CmdWriteFile(path));
  EXPECT_EQ(Contents(path), "");
  EXPECT_EQ(EntryCount(), 1u) << "no temporary file is left behind";
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST_F(FilesTest, WriteFailsForEmptyPathMissingFolderAndFolderTarget) {
  EXPECT_FALSE(CmdWriteFile("", ByteArray(std::string("x"))));
  EXPECT_FALSE(CmdWriteFile(Path("missing/a.bin"), ByteArray(std::string("x"))));
  fs::create_directory(Path("sub"));
  EXPECT_FALSE(CmdWriteFile(Path("sub"), ByteArray(std::string("x"))));
  EXPECT_FALSE(CmdWriteFile(Path("bad\xFF.bin"), ByteArray(std::string("x"))))
      << "a name that is not GBK is refused, never mangled";
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(FilesTest, FailedWriteKeepsTheOldFile) {
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

TEST_F(FilesTest, ConcurrentWritersLeaveOneCompleteFile) {
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
