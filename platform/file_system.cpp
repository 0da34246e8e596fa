#include "platform/file_system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>

#include "platform/codepage.h"

namespace platform {
namespace {

// A file descriptor that closes itself.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded (a delayed write error shows here).
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string TemporaryNameIn(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 random{std::random_device{}()};
  char name[32];
  std::snprintf(name, sizeof name, "/.tv%x%06x", counter.fetch_add(1) & 0xFFF,
                static_cast<unsigned>(random() & 0xFFFFFF));
  return folder + name;
}

// A write past the file-size limit (RLIMIT_FSIZE) raises SIGXFSZ, whose default action ends the
// process. Ignored, the write fails with EFBIG instead, and only that file's replacement fails.
void IgnoreFileSizeSignal() {
  static const bool ignored = ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
  (void)ignored;
}

}  // namespace

bool CreateOneDirectory(std::string_view gbkPath) {
  std::optional<std::string> path = GbkToUtf8(gbkPath);
  if (!path || path->empty()) return false;
  return ::mkdir(path->c_str(), 0777) == 0;
}

bool IsExistingDirectory(std::string_view gbkPath) {
  std::optional<std::string> path = GbkToUtf8(gbkPath);
  struct stat info {};
  return path && !path->empty() && ::stat(path->c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::string> ReadWholeFile(std::string_view gbkPath) {
  std::optional<std::string> path = GbkToUtf8(gbkPath);
  if (!path || path->empty()) return std::nullopt;
  FileDescriptor file(::open(path->c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) return std::nullopt;
  std::string contents;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got == 0) break;
    contents.append(buffer, static_cast<size_t>(got));
  }
  return contents;
}

bool ReplaceFileContents(std::string_view gbkPath, const std::vector<std::string_view>& parts) {
  std::optional<std::string> path = GbkToUtf8(gbkPath);
  if (!path || path->empty() || path->back() == '/') return false;
  IgnoreFileSizeSignal();
  const std::string folder = FolderOf(*path);
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = TemporaryNameIn(folder);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  FileDescriptor file(fd);
  if (!file.valid()) return false;
  bool written = true;
  for (std::string_view part : parts) written = written && WriteAll(file.get(), part);
  written = file.Close() && written;
  if (!written || ::rename(temporary.c_str(), path->c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::string ProgramFolder() {
  std::string exe(4096, '\0');
  ssize_t length = ::readlink("/proc/self/exe", exe.data(), exe.size());
  if (length <= 0) return "";
  exe.resize(static_cast<size_t>(length));
  std::string folder = Utf8ToGbk(exe);
  size_t slash = folder.rfind('/');
  return slash == std::string::npos ? "" : folder.substr(0, slash);
}

bool EnterProgramFolder() {
  std::optional<std::string> folder = GbkToUtf8(ProgramFolder());
  return folder && !folder->empty() && ::chdir(folder->c_str()) == 0;
}

std::string DesktopFolder() {
  const char* home = std::getenv("HOME");
  std::string homeFolder = home != nullptr ? home : "";
  std::string desktop;
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  std::string config = configHome != nullptr && *configHome != '\0' ? std::string(configHome)
                       : homeFolder.empty()                         ? std::string()
                                                                    : homeFolder + "/.config";
  if (!config.empty()) {
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(dirs, line)) {
      const std::string key = "XDG_DESKTOP_DIR=\"";
      if (line.rfind(key, 0) != 0) continue;
      size_t close = line.rfind('"');
      if (close == std::string::npos || close < key.size()) continue;
      std::string value = line.substr(key.size(), close - key.size());
      if (value.rfind("$HOME", 0) == 0) value = homeFolder + value.substr(5);
      if (!value.empty() && value.front() == '/') desktop = value;
    }
  }
  if (desktop.empty()) {
    if (homeFolder.empty()) return "";
    desktop = homeFolder + "/Desktop";
  }
  std::string result = Utf8ToGbk(desktop);
  if (result.back() != '/') result += '/';
  return result;
}

}  // namespace platform
