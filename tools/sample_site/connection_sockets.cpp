#include "tools/sample_site/connection_sockets.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace sample_site {
namespace {

bool EndIs(const sockaddr_in& end, const std::string& address, int port) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &end.sin_addr, text, sizeof text);
  return ntohs(end.sin_port) == port && address == text;
}

bool IsConnection(int fd, const std::string& localAddress, int localPort,
                  const std::string& peerAddress, int peerPort) {
  sockaddr_in local{};
  sockaddr_in peer{};
  socklen_t localSize = sizeof local;
  socklen_t peerSize = sizeof peer;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
      getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) {
    return false;
  }
  return local.sin_family == AF_INET && peer.sin_family == AF_INET &&
         EndIs(local, localAddress, localPort) && EndIs(peer, peerAddress, peerPort);
}

bool IsConnectionFrom(int fd, const std::string& localAddress, int localPort) {
  sockaddr_in local{};
  sockaddr_in peer{};
  socklen_t localSize = sizeof local;
  socklen_t peerSize = sizeof peer;
  return getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) == 0 &&
         getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 &&
         local.sin_family == AF_INET && EndIs(local, localAddress, localPort);
}

// Calls visit(fd) for every open descriptor of this process.
template <typename Visit>
void ForEachDescriptor(Visit visit) {
  std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir("/proc/self/fd"), closedir);
  if (!folder) return;
  while (const dirent* entry = readdir(folder.get())) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || end == entry->d_name || fd == dirfd(folder.get())) continue;
    if (visit(static_cast<int>(fd))) return;
  }
}

}  // namespace

void ShutDownConnections(const std::string& localAddress, int localPort) {
  ForEachDescriptor([&](int fd) {
    if (IsConnectionFrom(fd, localAddress, localPort)) shutdown(fd, SHUT_RDWR);
    return false;
  });
}

bool SendAndEnd(const std::string& localAddress, int localPort, const std::string& peerAddress,
                int peerPort, std::string_view bytes) {
  bool sent = false;
  ForEachDescriptor([&](int fd) {
    if (!IsConnection(fd, localAddress, localPort, peerAddress, peerPort)) return false;
    while (!bytes.empty()) {
      const ssize_t count = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (count <= 0) return true;
      bytes.remove_prefix(static_cast<size_t>(count));
    }
    sent = shutdown(fd, SHUT_WR) == 0;
    return true;
  });
  return sent;
}

bool ResetConnection(const std::string& localAddress, int localPort, const std::string& peerAddress,
                     int peerPort) {
  bool reset = false;
  ForEachDescriptor([&](int fd) {
    if (!IsConnection(fd, localAddress, localPort, peerAddress, peerPort)) return false;
    // Closing the last descriptor of a socket that lingers for 0 seconds sends RST; dup3 closes
    // it and puts a fresh socket in its place in one step.
    const linger abort{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    const int placeholder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (placeholder < 0) return true;
    dup3(placeholder, fd, O_CLOEXEC);
    close(placeholder);
    reset = true;
    return true;
  });
  return reset;
}

}  // namespace sample_site
