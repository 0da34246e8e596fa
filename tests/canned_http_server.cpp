#include "tests/canned_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

namespace {

// Reads the request's head (up to its blank line), which is all a GET has.
void ReadRequestHead(int connection) {
  std::string received;
  char buffer[4096];
  while (received.find("\r\n\r\n") == std::string::npos) {
    const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    received.append(buffer, static_cast<size_t>(got));
  }
}

void SendAll(int connection, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
}

}  // namespace

CannedHttpServer::CannedHttpServer(std::vector<std::string> responses)
    : responses_(std::move(responses)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, SOMAXCONN) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

CannedHttpServer::~CannedHttpServer() {
  stopping_ = true;
  // Wakes the accept that the serving thread waits in.
  if (listener_ >= 0) shutdown(listener_, SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
}

void CannedHttpServer::Serve() {
  size_t served = 0;
  while (!stopping_) {
    const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    ReadRequestHead(connection);
    SendAll(connection, responses_.at(std::min(served++, responses_.size() - 1)));
    close(connection);
  }
}
