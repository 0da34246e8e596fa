// A local HTTP server in the target site's shape, for the tests, the benchmarks and the demo.
//
// It listens on 127.0.0.1 and answers for any host: clients reach it as their HTTP proxy
// (http_proxy=http://127.0.0.1:PORT), so request targets arrive in absolute form
// ("GET http://host.example/a/ HTTP/1.1") as well as in origin form ("GET /a/ HTTP/1.1").
// Every connection has a thread of its own, so a hundred clients are served at once and each
// response's latency runs in parallel with the others.
//
// A response goes through these steps in order: it is logged, waits at the gate while a hold
// matches its path, waits out the latency, and is then sent as the site's content at that path
// changed by the last fault set for it.
//
//   SampleSite site(config);
//   site.Start();                           // on a free port
//   setenv("http_proxy", site.ProxyUrl().c_str(), 1);
//   ... crawl ...
//   for (const ExpectedFile& file : site.ExpectedFiles()) compare with site.FileContent(file);
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tools/sample_site/fault.h"
#include "tools/sample_site/gate.h"
#include "tools/sample_site/path_pattern.h"
#include "tools/sample_site/request_log.h"
#include "tools/sample_site/site_config.h"
#include "tools/sample_site/site_model.h"
#include "tools/sample_site/stop_signal.h"
#include "tools/sample_site/warm_up.h"

namespace sample_site {

class SampleSite {
 public:
  explicit SampleSite(SiteConfig config = {});
  // Stops the site if it is running.
  ~SampleSite();
  SampleSite(const SampleSite&) = delete;
  SampleSite& operator=(const SampleSite&) = delete;

  // Listens on 127.0.0.1:`port` (0: a free port that the system picks) and serves on threads
  // of its own until Stop. False when the port cannot be bound. A site starts once.
  bool Start(int port = 0);
  // Lets held, delayed and stalled responses go at once, closes every connection and waits for
  // the server's threads to end. Safe to call more than once.
  void Stop();

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT": the proxy setting that sends a client's requests here.
  std::string ProxyUrl() const;

  const SiteModel& Model() const { return model_; }
  std::vector<ExpectedFile> ExpectedFiles() const { return model_.ExpectedFiles(); }
  std::string FileContent(const ExpectedFile& file) const {
    return model_.FileContent(file.itemNumber);
  }

  // The delay before every response, from the next request on.
  void SetLatency(std::chrono::milliseconds latency);
  // Applies `fault` to the requests whose path matches `pattern`, from the next request on.
  // Where several faults match a path, the one set last applies.
  void SetFault(PathPattern pattern, Fault fault);
  void ClearFaults();

  // The gate (see Gate): holds responses to matching paths until released.
  void Hold(PathPattern pattern) { gate_.Hold(std::move(pattern)); }
  void Release(const PathPattern& pattern) { gate_.Release(pattern); }
  void ReleaseAll() { gate_.ReleaseAll(); }
  size_t HeldCount() const { return gate_.HeldCount(); }
  bool WaitUntilHeld(size_t count, std::chrono::milliseconds timeout) const {
    return gate_.WaitUntilHeld(count, timeout);
  }

  // The requests received so far, in the order of arrival.
  std::vector<LoggedRequest> Requests() const { return log_.Requests(); }
  std::vector<std::string> RequestPaths() const { return log_.Paths(); }
  size_t RequestCount() const { return log_.Count(); }
  void ClearRequests() { log_.Clear(); }
  bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) const {
    return log_.WaitForCount(count, timeout);
  }

 private:
  void Handle(const httplib::Request& request, httplib::Response& response);
  void Respond(const httplib::Request& request, const std::string& path, const Fault& fault,
               httplib::Response& response) const;
  Fault FaultFor(const std::string& path) const;

  const SiteModel model_;
  WarmableServer server_;
  bool warmingUp_ = false;  // set only before the listening thread exists
  std::thread listener_;
  int port_ = 0;
  int listenSocket_ = -1;
  bool started_ = false;

  std::atomic<int64_t> latencyMs_{0};
  mutable std::mutex faultsMutex_;
  std::vector<std::pair<PathPattern, Fault>> faults_;
  Gate gate_;
  RequestLog log_;
  // Raised by Stop: cuts latencies, stalls and trickles short.
  std::shared_ptr<StopSignal> stop_ = std::make_shared<StopSignal>();
};

}  // namespace sample_site
