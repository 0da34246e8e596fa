// The file-call shim: what it does is in tests/file_call_shim.h. Each interposed call finds the
// next definition of itself (the C library's, or a sanitizer's in front of it) with RTLD_NEXT.
#include "tests/file_call_shim.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

template <typename Function>
Function* Next(const char* name) {
  return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

using OpenFile = int(const char*, int, ...);
using OpenAt = int(int, const char*, int, ...);
using Write = ssize_t(int, const void*, size_t);
using LinkAt = int(int, const char*, int, const char*, int);

ssize_t RealWrite(int fd, const void* buffer, size_t count) {
  static Write* const next = Next<Write>("write");
  return next(fd, buffer, count);
}

OpenAt* NextOpenAt() {
  static OpenAt* const next = Next<OpenAt>("openat");
  return next;
}

long long EnvironmentNumber(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoll(value) : -1;
}

bool RefusedAsUnnamed(int flags) {
  if ((flags & O_TMPFILE) != O_TMPFILE) return false;
  const char* refuse = std::getenv(file_call_shim::kRefuseUnnamedFiles);
  return refuse != nullptr && std::string_view(refuse) == "1";
}

bool TakesMode(int flags) { return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE; }

// An open call: refused as RefusedAsUnnamed says, else passed on to the next definition.
template <typename Function, typename... Leading>
int Open(Function* next, int flags, mode_t mode, Leading... leading) {
  if (RefusedAsUnnamed(flags)) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return next(leading..., flags, mode);
}

// Reads the mode argument that the open calls take after flags that create a file.
#define SHIM_MODE_AFTER(flags)        \
  mode_t mode = 0;                    \
  if (TakesMode(flags)) {             \
    va_list arguments;                \
    va_start(arguments, flags);       \
    mode = va_arg(arguments, mode_t); \
    va_end(arguments);                \
  }

[[noreturn]] void Hold() {
  const long long reportFd = EnvironmentNumber(file_call_shim::kHoldReportFd);
  if (reportFd >= 0) {
    RealWrite(static_cast<int>(reportFd), file_call_shim::kHeldLine,
              std::strlen(file_call_shim::kHeldLine));
  }
  for (;;) pause();
}

bool IsRegularFile(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

std::atomic<long long> regularBytesWritten{0};

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  SHIM_MODE_AFTER(flags)
  static OpenFile* const next = Next<OpenFile>("open");
  return Open(next, flags, mode, path);
}

int open64(const char* path, int flags, ...) {
  SHIM_MODE_AFTER(flags)
  static OpenFile* const next = Next<OpenFile>("open64");
  return Open(next, flags, mode, path);
}

int openat(int dir, const char* path, int flags, ...) {
  SHIM_MODE_AFTER(flags)
  return Open(NextOpenAt(), flags, mode, dir, path);
}

int openat64(int dir, const char* path, int flags, ...) {
  SHIM_MODE_AFTER(flags)
  static OpenAt* const next = Next<OpenAt>("openat64");
  return Open(next, flags, mode, dir, path);
}

ssize_t write(int fd, const void* buffer, size_t count) {
  const long long holdAfter = EnvironmentNumber(file_call_shim::kHoldAfterBytes);
  if (holdAfter < 0 || !IsRegularFile(fd)) return RealWrite(fd, buffer, count);
  const long long done = regularBytesWritten.load();
  if (done >= holdAfter) Hold();
  const size_t allowed = std::min(count, static_cast<size_t>(holdAfter - done));
  const ssize_t written = RealWrite(fd, buffer, allowed);
  if (written > 0) regularBytesWritten += written;
  return written;
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
  const char* occupied = std::getenv(file_call_shim::kOccupyLinkTarget);
  const char* slash = std::strrchr(to, '/');
  const std::string_view last = slash != nullptr ? slash + 1 : to;
  if (occupied != nullptr && last == occupied &&
      std::string_view(from).starts_with("/proc/self/fd/")) {
    const int fd = NextOpenAt()(toDir, to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      RealWrite(fd, file_call_shim::kOccupant, std::strlen(file_call_shim::kOccupant));
      close(fd);
    }
  }
  static LinkAt* const next = Next<LinkAt>("linkat");
  return next(fromDir, from, toDir, to, flags);
}

}  // extern "C"
