// The file-call shim (tests/file_call_shim.cpp): a shared library for tests only, preloaded into
// a program run as a child (LD_PRELOAD) or linked into a test, that steps into the program's
// file calls as this process's environment tells it at each call. With none of its variables
// set it passes every call through unchanged.
//
// Under AddressSanitizer a preloaded library comes before the sanitizer's runtime, which the
// runtime refuses unless ASAN_OPTIONS holds verify_asan_link_order=0.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace file_call_shim {

// "1": an open with O_TMPFILE fails with EOPNOTSUPP, as on a file system that cannot make
// unnamed files.
inline constexpr char kRefuseUnnamedFiles[] = "TROVANEL_SHIM_REFUSE_UNNAMED_FILES";

// Whether the file system of `folder` makes unnamed files, as this process finds (where it does
// not, every write takes the road that kRefuseUnnamedFiles shows).
inline bool OffersUnnamedFiles(const std::string& folder) {
  const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  return true;
}

// A decimal byte count: once the process has written that many bytes to regular files, its
// next write to a regular file writes kHeldLine to the descriptor kHoldReportFd names and then
// blocks until a signal ends the process. A write that would cross the count writes only up
// to it, so the held file holds exactly that many bytes.
inline constexpr char kHoldAfterBytes[] = "TROVANEL_SHIM_HOLD_AFTER_BYTES";
inline constexpr char kHoldReportFd[] = "TROVANEL_SHIM_HOLD_REPORT_FD";
inline constexpr char kHeldLine[] = "file-call-shim: write held\n";

// A file name: a linkat of an open file (from "/proc/self/fd/N") to a path with that last
// component first finds a file there, holding kOccupant, as if another writer had just made one.
inline constexpr char kOccupyLinkTarget[] = "TROVANEL_SHIM_OCCUPY_LINK_TARGET";
inline constexpr char kOccupant[] = "made by another writer";

}  // namespace file_call_shim
