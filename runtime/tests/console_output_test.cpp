// CmdStdOutput into pipes: each call arrives at once and whole, among many threads and over
// both streams.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/process.h"
#include "tests/test_text.h"

namespace {

// Sends the given descriptors (1, 2 or both) into one pipe until Finish. Nothing may be checked
// while the streams are redirected: a failure report of the test framework would go into the
// pipe too.
class StreamsIntoPipe {
 public:
  explicit StreamsIntoPipe(std::vector<int> fds) : fds_(std::move(fds)) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (pipe2(pipe_, O_CLOEXEC) != 0) return;
    for (int fd : fds_) {
      saved_.push_back(dup(fd));
      dup2(pipe_[1], fd);
    }
    close(pipe_[1]);
  }
  StreamsIntoPipe(const StreamsIntoPipe&) = delete;
  StreamsIntoPipe& operator=(const StreamsIntoPipe&) = delete;
  ~StreamsIntoPipe() {
    Restore();
    if (pipe_[0] >= 0) close(pipe_[0]);
  }

  // What the pipe holds right now, without waiting.
  std::string Available() {
    const int flags = fcntl(pipe_[0], F_GETFL);
    fcntl(pipe_[0], F_SETFL, flags | O_NONBLOCK);
    std::string text = ReadWhileAny();
    fcntl(pipe_[0], F_SETFL, flags);
    return text;
  }

  // Drains the pipe on a thread of its own while writers run.
  void StartDraining() {
    drain_ = std::thread([this] { drained_ = ReadWhileAny(); });
  }
  // Puts the streams back and returns what was drained.
  std::string Finish() {
    Restore();
    if (drain_.joinable()) drain_.join();
    return drained_;
  }

 private:
  std::string ReadWhileAny() {
    std::string text;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = read(pipe_[0], buffer, sizeof buffer)) > 0) {
      text.append(buffer, static_cast<size_t>(got));
    }
    return text;
  }
  void Restore() {
    for (size_t i = 0; i < saved_.size(); ++i) {
      dup2(saved_[i], fds_[i]);
      close(saved_[i]);
    }
    saved_.clear();
  }

  std::vector<int> fds_;
  std::vector<int> saved_;
  int pipe_[2] = {-1, -1};
  std::thread drain_;
  std::string drained_;
};

TEST(CmdStdOutput, IsInThePipeWhenTheCallReturns) {
  for (const std::optional<int32_t> stream : {std::optional<int32_t>(), std::optional(2)}) {
    const int fd = stream ? 2 : 1;
    StreamsIntoPipe pipe({fd});
    CmdStdOutput(stream, "下载", "完成");
    const std::string arrived = pipe.Available();
    pipe.Finish();
    EXPECT_EQ(arrived, Utf8(u8"下载完成")) << "descriptor " << fd;
  }
}

// Line i of thread t: its numbers, then a run of one letter, long enough on every eighth line
// to pass the size a pipe takes in one piece (4096 bytes).
std::string Padding(int thread, int line) {
  return std::string(line % 8 == 0 ? 6000 : 10 + line, static_cast<char>('a' + thread % 26));
}

TEST(CmdStdOutput, LinesOfManyThreadsArriveWhole) {
  constexpr int kThreads = 64;
  constexpr int kLines = 40;
  struct Case {
    const char* name;
    std::vector<int> fds;
    bool alternate;  // every other line to standard error
  };
  const Case cases[] = {
      {"standard output", {1}, false},
      {"standard error", {2}, false},
      {"both streams into one pipe", {1, 2}, true},
  };
  for (const Case& c : cases) {
    StreamsIntoPipe pipe(c.fds);
    pipe.StartDraining();
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
      writers.emplace_back([&c, t] {
        for (int i = 0; i < kLines; ++i) {
          const bool toError = c.alternate ? i % 2 == 1 : c.fds.front() == 2;
          const std::optional<int32_t> stream = toError ? std::optional(2) : std::nullopt;
          CmdStdOutput(stream, "行", std::to_string(t), " ", std::to_string(i), " ", Padding(t, i),
                       "\r\n");
        }
      });
    }
    for (std::thread& writer : writers) writer.join();
    const std::string text = pipe.Finish();

    std::map<std::pair<int, int>, int> seen;
    int broken = 0;
    size_t begin = 0;
    const std::string prefix = Utf8(u8"行");
    while (begin < text.size()) {
      const size_t end = text.find("\r\n", begin);
      const std::string line = text.substr(begin, end - begin);
      begin = end == std::string::npos ? text.size() : end + 2;
      int t = -1, i = -1, used = 0;
      if (!line.starts_with(prefix) ||
          std::sscanf(line.c_str() + prefix.size(), "%d %d %n", &t, &i, &used) != 2 || t < 0 ||
          t >= kThreads || i < 0 || i >= kLines ||
          line.substr(prefix.size() + static_cast<size_t>(used)) != Padding(t, i)) {
        ++broken;
        continue;
      }
      ++seen[{t, i}];
    }
    EXPECT_EQ(broken, 0) << c.name;
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines)) << c.name;
    for (const auto& [line, count] : seen) {
      EXPECT_EQ(count, 1) << c.name << ": thread " << line.first << " line " << line.second;
    }
  }
}

}  // namespace
