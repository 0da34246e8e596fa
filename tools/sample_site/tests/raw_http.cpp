#include "tools/sample_site/tests/raw_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace sample_site_test {

std::vector<std::string> RawResponse::HeaderValues(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& [headerName, value] : headers) {
    if (headerName.size() == name.size() &&
        strncasecmp(headerName.data(), name.data(), name.size()) == 0) {
      values.push_back(value);
    }
  }
  return values;
}

RawConnection::RawConnection(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd_ >= 0) close(fd_);
    throw std::runtime_error("cannot connect to the sample site");
  }
}

RawConnection::~RawConnection() { close(fd_); }

int RawConnection::LocalPort() const {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

RawResponse RawConnection::Get(const std::string& target, std::chrono::milliseconds timeout) {
  const std::string request =
      "GET " + target + " HTTP/1.1\r\nHost: host.example\r\nAccept: */*\r\n\r\n";
  send(fd_, request.data(), request.size(), MSG_NOSIGNAL);

  RawResponse response;
  std::string& data = pending_;
  size_t headerEnd = std::string::npos;
  // Reads more into `data`; false at the end of the stream, an error or a time-out.
  const auto receive = [&] {
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(timeout.count())) == 0) {
      response.error = ETIMEDOUT;
      return false;
    }
    char buffer[65536];
    const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
    if (got < 0) response.error = errno;
    if (got <= 0) return false;
    data.append(buffer, static_cast<size_t>(got));
    return true;
  };
  while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos) {
    if (!receive()) return response;
  }
  const std::string head = data.substr(0, headerEnd);
  data.erase(0, headerEnd + 4);
  response.status = std::stoi(head.substr(head.find(' ') + 1, 3));
  for (size_t line = head.find("\r\n"); line != std::string::npos;) {
    const size_t next = head.find("\r\n", line + 2);
    const std::string text =
        head.substr(line + 2, next == std::string::npos ? next : next - line - 2);
    const size_t colon = text.find(':');
    std::string value = text.substr(colon + 1);
    value.erase(0, value.find_first_not_of(' '));
    response.headers.emplace_back(text.substr(0, colon), value);
    line = next;
  }
  const std::vector<std::string> lengths = response.HeaderValues("Content-Length");
  if (!lengths.empty()) response.contentLength = std::stoul(lengths.front());
  const size_t wanted = response.contentLength.value_or(0);
  while (data.size() < wanted) {
    if (!receive()) break;
  }
  const size_t taken = std::min(wanted, data.size());
  response.body = data.substr(0, taken);
  data.erase(0, taken);
  response.complete = response.body.size() == wanted;
  return response;
}

RawResponse FetchOnce(int port, const std::string& target, std::chrono::milliseconds timeout) {
  RawConnection connection(port);
  return connection.Get(target, timeout);
}

}  // namespace sample_site_test
