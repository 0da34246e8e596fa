#include "tests/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "tests/environment_block.h"

namespace {

// Starts program with /dev/null as standard input, the given descriptors as standard output
// and standard error, and `limits`. The child's pid, or -1.
pid_t Spawn(const std::string& program, const ChildEnvironment& environment, int outFd, int errFd,
            const ChildLimits& limits = {}) {
  EnvironmentBlock envp(environment);
  std::string path = program;
  char* argv[] = {path.data(), nullptr};
  // fork rather than posix_spawn, which cannot set limits; between fork and exec the child of
  // this threaded process makes only async-signal-safe calls.
  const pid_t child = fork();
  if (child == 0) {
    // The child starts as from a login shell, whatever this test was started under (nohup
    // ignores SIGHUP, and ignored signals and the mask pass through exec).
    for (int signal = 1; signal < NSIG; ++signal) ::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int input = open("/dev/null", O_RDONLY);
    auto limit = [](int resource, const std::optional<rlim_t>& bytes) {
      if (!bytes) return true;
      const rlimit value{*bytes, *bytes};
      return setrlimit(resource, &value) == 0;
    };
    if (input >= 0 && dup2(input, 0) == 0 && dup2(outFd, 1) == 1 && dup2(errFd, 2) == 2 &&
        limit(RLIMIT_AS, limits.addressSpaceBytes) && limit(RLIMIT_FSIZE, limits.fileSizeBytes)) {
      execve(path.c_str(), argv, envp.Get());
    }
    _exit(127);
  }
  return child;
}

int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
int SignalOf(int status) { return WIFSIGNALED(status) ? WTERMSIG(status) : 0; }

}  // namespace

std::string PlaceProgram(const std::string& program, const std::string& folder) {
  namespace fs = std::filesystem;
  const fs::path target = fs::path(folder) / fs::path(program).filename();
  std::error_code error;
  fs::create_hard_link(program, target, error);
  if (error) fs::copy_file(program, target, fs::copy_options::overwrite_existing);
  return target.string();
}

ChildResult RunChild(const std::string& program, const ChildEnvironment& environment,
                     const ChildLimits& limits) {
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return {};
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = Spawn(program, environment, outPipe[1], errPipe[1], limits);
  close(outPipe[1]);
  close(errPipe[1]);
  ChildResult result;
  if (child < 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    return result;
  }
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(got));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  result.exitCode = ExitCodeOf(status);
  return result;
}

RunningChild::RunningChild(const std::string& program, const ChildEnvironment& environment,
                           Output output) {
  int writeEnd = -1;
  if (output == Output::kPipe) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    readEnd_ = ends[0];
    writeEnd = ends[1];
  } else {
    if (openpty(&readEnd_, &writeEnd, nullptr, nullptr, nullptr) != 0) return;
    fcntl(readEnd_, F_SETFD, FD_CLOEXEC);
    fcntl(writeEnd, F_SETFD, FD_CLOEXEC);
  }
  pid_ = Spawn(program, environment, writeEnd, writeEnd);
  close(writeEnd);  // the child's copies are the only ones left: their end is the output's end
}

RunningChild::~RunningChild() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGKILL);
    Wait();
  }
  if (readEnd_ >= 0) close(readEnd_);
}

bool RunningChild::ReadSome() {
  char buffer[65536];
  ssize_t got = 0;
  do {
    got = read(readEnd_, buffer, sizeof buffer);
  } while (got < 0 && errno == EINTR);
  // A pseudo-terminal whose other side is closed answers EIO rather than end of file.
  if (got <= 0) {
    ended_ = true;
    return false;
  }
  arrived_.append(buffer, static_cast<size_t>(got));
  return true;
}

bool RunningChild::ReadUntil(std::string_view text) {
  if (pid_ <= 0) return false;
  while (arrived_.find(text) == std::string::npos) {
    if (ended_ || !ReadSome()) return false;
  }
  return true;
}

void RunningChild::ReadToEnd() {
  if (pid_ <= 0) return;
  while (!ended_ && ReadSome()) {
  }
}

void RunningChild::Signal(int signal) {
  if (pid_ > 0 && !reaped_) kill(pid_, signal);
}

int RunningChild::Wait() {
  if (pid_ <= 0) return -1;
  if (!reaped_) {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    exitCode_ = ExitCodeOf(status);
    endingSignal_ = SignalOf(status);
  }
  return exitCode_;
}
