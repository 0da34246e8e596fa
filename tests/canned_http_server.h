// A server on loopback that answers each request with bytes sent exactly as given (status line,
// headers and body), then closes the connection: for the faults at the level of the wire that a
// real HTTP server library would not send. Clients reach it as their HTTP proxy.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class CannedHttpServer {
 public:
  // Listens on a free port of 127.0.0.1 at once; Port() is 0 when it could not. Every request
  // gets `response`.
  explicit CannedHttpServer(std::string response)
      : CannedHttpServer(std::vector<std::string>{std::move(response)}) {}
  // The n-th request gets the n-th response, and every request after the last one the last one
  // again: a redirect and the response at its target, say.
  explicit CannedHttpServer(std::vector<std::string> responses);
  // Stops listening and waits for the serving thread.
  ~CannedHttpServer();
  CannedHttpServer(const CannedHttpServer&) = delete;
  CannedHttpServer& operator=(const CannedHttpServer&) = delete;

  int Port() const { return port_; }
  std::string ProxyUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  void Serve();

  const std::vector<std::string> responses_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};
