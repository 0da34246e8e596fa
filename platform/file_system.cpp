#include "platform/file_system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "platform/codepage.h"
#include "platform/temporary_names.h"

namespace platform {
namespace {

// The mode new files are made with; the umask takes its part, as in a plain create.
constexpr mode_t kNewFileMode = 0666;

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

bool WriteParts(int fd, const std::vector<std::string_view>& parts) {
  for (std::string_view part : parts) {
    if (!WriteAll(fd, part)) return false;
  }
  return true;
}

// The folder and the last component of a path that does not end in "/".
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// A short unique hidden name, for a new file until it is renamed over its target. Also named in
// the README, as what a killed run can leave.
std::string HiddenName() {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 random{std::random_device{}()};
  char name[32];
  std::snprintf(name, sizeof name, ".tv%x%06x", counter.fetch_add(1) & 0xFFF,
                static_cast<unsigned>(random() & 0xFFFFFF));
  return name;
}

// Gives the target `name` in `folder` a new file through a hidden name: makeHidden makes the
// hidden name (answering false with errno EEXIST when the name is taken, so that another is
// tried), fill completes the file, and the hidden name is renamed over the target. A failure on
// the way, and a terminating signal at any moment, removes the hidden name.
bool ReplaceThroughHiddenName(int folder, const std::string& name,
                              const std::function<bool(const char* hidden)>& makeHidden,
                              const std::function<bool()>& fill) {
  TemporaryName hidden(folder);
  bool made = false;
  for (int attempt = 0; attempt < 100 && !made; ++attempt) {
    made = hidden.Make(HiddenName(), makeHidden);
    if (!made && errno != EEXIST) return false;
  }
  if (!made || !fill() || ::renameat(folder, hidden.Name(), folder, name.c_str()) != 0) {
    return false;
  }
  hidden.HandOn();
  return true;
}

// Closing a duplicate asks the file system for a delayed write error as closing the file would
// (those that report one at close do so at every close), while the file stays open.
bool FlushedWhileOpen(int fd) {
  const int duplicate = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  return duplicate >= 0 && ::close(duplicate) == 0;
}

// The new file written without a name, then linked into the folder once it is whole: straight
// to the target when no file is there, else to a hidden name that is renamed over it.
bool ReplaceThroughUnnamedFile(int folder, const std::string& name, int unnamed,
                               const std::vector<std::string_view>& parts) {
  if (!WriteParts(unnamed, parts) || !FlushedWhileOpen(unnamed)) return false;
  // linkat finds an open file by its name under /proc without privileges (AT_EMPTY_PATH would
  // want CAP_DAC_READ_SEARCH); the program needs /proc already, for its own folder.
  const std::string file = "/proc/self/fd/" + std::to_string(unnamed);
  auto linkTo = [&](const char* linked) {
    return ::linkat(AT_FDCWD, file.c_str(), folder, linked, AT_SYMLINK_FOLLOW) == 0;
  };
  if (linkTo(name.c_str())) return true;
  if (errno != EEXIST) return false;
  return ReplaceThroughHiddenName(folder, name, linkTo, [] { return true; });
}

// On a file system without unnamed files, the new file is written under its hidden name.
bool ReplaceThroughNamedFile(int folder, const std::string& name,
                             const std::vector<std::string_view>& parts) {
  std::optional<FileDescriptor> file;
  auto create = [&](const char* hidden) {
    file.emplace(::openat(folder, hidden, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
    return file->valid();
  };
  auto fill = [&] {
    const bool written = WriteParts(file->get(), parts);
    return file->Close() && written;
  };
  return ReplaceThroughHiddenName(folder, name, create, fill);
}

// What a file system without unnamed files answers O_TMPFILE with (EISDIR: a kernel that does
// not know the flag).
bool RefusesUnnamedFiles(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
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
  const auto [folderPath, name] = SplitPath(*path);
  const FileDescriptor folder(::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!folder.valid()) return false;
  const FileDescriptor unnamed(
      ::openat(folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode));
  if (unnamed.valid()) return ReplaceThroughUnnamedFile(folder.get(), name, unnamed.get(), parts);
  return RefusesUnnamedFiles(errno) && ReplaceThroughNamedFile(folder.get(), name, parts);
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
