#include "tests/x_server.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <optional>

#include "tests/find_on_path.h"

namespace {

// The descriptor on which Xvfb writes its display number once it accepts connections.
constexpr int kReadyDescriptor = 3;

XServer Failed(std::string reason) {
  return {.status = XServer::Status::kFailed, .display = "", .reason = std::move(reason)};
}

XServer Start() {
  const std::optional<std::string> xvfb = FindOnPath("Xvfb");
  if (!xvfb) {
    return {.status = XServer::Status::kNotInstalled,
            .display = "",
            .reason = "Xvfb is not installed (Debian package xvfb)"};
  }
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return Failed("no pipe for Xvfb");
  // Everything the child uses is made before the fork: after it only plain system calls.
  std::string program = *xvfb;
  std::string displayfd = std::to_string(kReadyDescriptor);
  std::string screen = "800x600x24";
  std::string args[] = {"-displayfd", displayfd,   "-screen", "0",
                        screen,       "-nolisten", "tcp",     "-terminate"};
  char* argv[std::size(args) + 2] = {program.data()};
  for (size_t i = 0; i < std::size(args); ++i) argv[i + 1] = args[i].data();
  const pid_t parent = getpid();
  const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);

  const pid_t child = fork();
  if (child < 0) {
    for (int descriptor : {ready[0], ready[1], devNull}) close(descriptor);
    return Failed("Xvfb could not be started");
  }
  if (child == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);  // the parent is gone already
    dup2(devNull, 0);
    dup2(devNull, 1);
    dup2(devNull, 2);
    if (ready[1] == kReadyDescriptor) {
      fcntl(kReadyDescriptor, F_SETFD, 0);
    } else {
      dup2(ready[1], kReadyDescriptor);  // the copy is not closed on exec
    }
    execv(program.c_str(), argv);
    _exit(127);
  }
  close(devNull);
  close(ready[1]);
  std::string number;
  char c = 0;
  while (read(ready[0], &c, 1) == 1 && c != '\n') number += c;
  close(ready[0]);
  if (number.empty() || !std::isdigit(static_cast<unsigned char>(number[0]))) {
    waitpid(child, nullptr, 0);  // it ended without a display
    return Failed("Xvfb did not start: " + *xvfb);
  }
  return {.status = XServer::Status::kRunning, .display = ":" + number, .reason = ""};
}

}  // namespace

const XServer& ProcessXServer() {
  static const XServer server = Start();
  return server;
}
