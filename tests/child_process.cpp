#include "tests/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/environment_block.h"

std::string PlaceProgram(const std::string& program, const std::string& folder) {
  namespace fs = std::filesystem;
  const fs::path target = fs::path(folder) / fs::path(program).filename();
  std::error_code error;
  fs::create_hard_link(program, target, error);
  if (error) fs::copy_file(program, target, fs::copy_options::overwrite_existing);
  return target.string();
}

ChildResult RunChild(const std::string& program,
                     const std::vector<std::pair<std::string, std::string>>& environment,
                     const ChildLimits& limits) {
  EnvironmentBlock envp(environment);

  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return {};
  std::string path = program;
  char* argv[] = {path.data(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  // fork rather than posix_spawn, which cannot set limits; between fork and exec the child of
  // this threaded process makes only async-signal-safe calls.
  const pid_t child = fork();
  if (child == 0) {
    const int input = open("/dev/null", O_RDONLY);
    auto limit = [](int resource, const std::optional<rlim_t>& bytes) {
      if (!bytes) return true;
      const rlimit value{*bytes, *bytes};
      return setrlimit(resource, &value) == 0;
    };
    if (input >= 0 && dup2(input, 0) == 0 && dup2(outPipe[1], 1) == 1 && dup2(errPipe[1], 2) == 2 &&
        limit(RLIMIT_AS, limits.addressSpaceBytes) && limit(RLIMIT_FSIZE, limits.fileSizeBytes)) {
      execve(path.c_str(), argv, envp.Get());
    }
    _exit(127);
  }
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
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}
