// A server on loopback that answers every request with the same bytes, sent exactly as given
// (status line, headers and body), then closes the connection: for the faults at the level of
// the wire that a real HTTP server library would not send. Clients reach it as their HTTP proxy.
#pragma once

#include <atomic>
#include <string>
#include <thread>

class CannedHttpServer {
 public:
  // Listens on a free port of 127.0.0.1 at once; Port() is 0 when it could not.
  explicit CannedHttpServer(std::string response);
  // Stops listening and waits for the serving thread.
  ~CannedHttpServer();
  CannedHttpServer(const CannedHttpServer&) = delete;
  CannedHttpServer& operator=(const CannedHttpServer&) = delete;

  int Port() const { return port_; }
  std::string ProxyUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  void Serve();

  const std::string response_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};
