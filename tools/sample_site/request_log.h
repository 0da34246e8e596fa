// Every request the site received, in the order of arrival, for tests that check what a client
// asked for, and what it did not ask for while it should have been quiet.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sample_site {

struct LoggedRequest {
  std::string method;
  std::string target;  // as on the request line, e.g. "http://host.example/a/" from a proxy client
  std::string path;    // the target without scheme and host, query included
  // Header lines as received, ordered by name without regard to case.
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // The client's port: requests that share a connection share this number.
  int connection = 0;
  std::chrono::steady_clock::time_point arrival;

  // The first header of that name, compared without regard to case.
  std::optional<std::string> Header(std::string_view name) const;
};

class RequestLog {
 public:
  void Add(LoggedRequest request);
  std::vector<LoggedRequest> Requests() const;
  std::vector<std::string> Paths() const;
  size_t Count() const;
  void Clear();
  // Waits until at least `count` requests have arrived; false when `timeout` passed first.
  bool WaitForCount(size_t count, std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable added_;
  std::vector<LoggedRequest> requests_;
};

}  // namespace sample_site
