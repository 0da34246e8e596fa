#include "platform/console.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>

#include "platform/codepage.h"

namespace platform {
namespace {

// One lock for both streams: a pipe takes a write of up to PIPE_BUF bytes whole, but a longer
// one, or one to a terminal, can be split among other writers.
std::mutex& ConsoleLock() {
  static std::mutex lock;
  return lock;
}

void WriteAll(int fd, std::string_view bytes) noexcept {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written > 0) {
      bytes.remove_prefix(static_cast<size_t>(written));
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // A descriptor someone made non-blocking: wait until it takes more.
      pollfd ready{fd, POLLOUT, 0};
      if (poll(&ready, 1, -1) < 0 && errno != EINTR) return;
    } else {
      return;
    }
  }
}

}  // namespace

void WriteConsole(ConsoleStream stream, std::string_view gbk) {
  const std::string shown = GbkToTerminal(gbk);
  std::lock_guard hold(ConsoleLock());
  WriteConsoleBytes(stream, shown);
}

void WriteConsoleBytes(ConsoleStream stream, std::string_view bytes) noexcept {
  WriteAll(stream == ConsoleStream::kError ? STDERR_FILENO : STDOUT_FILENO, bytes);
}

}  // namespace platform
