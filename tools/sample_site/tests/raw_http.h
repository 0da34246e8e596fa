// A plain-socket HTTP/1.1 client for the sample site's tests: it shows exactly what arrived
// (a reset, a short body, a stall), which a full client would hide behind its own handling.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sample_site_test {

struct RawResponse {
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;  // in the order received
  std::string body;
  std::optional<size_t> contentLength;
  bool complete = false;  // the status line, the headers and the whole announced body arrived
  int error = 0;          // errno of a failed receive, ETIMEDOUT when nothing came in time

  std::vector<std::string> HeaderValues(std::string_view name) const;
};

class RawConnection {
 public:
  // Connects to 127.0.0.1:port; throws std::runtime_error when it cannot.
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  // Sends "GET target HTTP/1.1" (a proxy client's absolute form or an origin-form path) and
  // reads one response; waits at most `timeout` for each piece to arrive.
  RawResponse Get(const std::string& target,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10));
  int LocalPort() const;

 private:
  int fd_ = -1;
  std::string pending_;  // bytes received beyond the last response
};

// One request on a connection of its own.
RawResponse FetchOnce(int port, const std::string& target,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace sample_site_test
