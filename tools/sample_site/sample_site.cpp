#include "tools/sample_site/sample_site.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <algorithm>

#include "tools/sample_site/connection_sockets.h"
#include "tools/sample_site/connection_threads.h"

namespace sample_site {
namespace {

constexpr size_t kPieceBytes = 64 * 1024;
constexpr size_t kManyRequestsPerConnection = 1'000'000;
constexpr time_t kKeepAliveSeconds = 30;

// The path of a request target: an absolute-form target ("http://host/p?q", as a proxy
// receives it) loses its scheme and host; an origin-form target stays as it is.
std::string PathOfTarget(const std::string& target) {
  const size_t schemeEnd = target.find("://");
  if (schemeEnd == std::string::npos || target.starts_with("/")) return target;
  const size_t pathStart = target.find_first_of("/?", schemeEnd + 3);
  if (pathStart == std::string::npos) return "/";
  std::string path = target.substr(pathStart);
  return path.starts_with("?") ? "/" + path : path;
}

// How one response body goes out: its bytes on demand, and how its transfer ends.
struct BodyTransfer {
  size_t size = 0;
  std::function<std::string(size_t offset, size_t length)> bytes;
  Fault fault;
  bool stalled = false;
  std::string localAddress;
  int localPort = 0;
  std::string peerAddress;
  int peerPort = 0;
  std::shared_ptr<StopSignal> stop;

  // One call of the server's content provider: writes the next piece, or breaks the transfer.
  bool WriteNext(size_t offset, size_t length, httplib::DataSink& sink) {
    // An announced length beyond the body: the body is all there is, and the connection closes.
    if (offset >= size) return false;
    const bool breaks = fault.bodyBreak != BodyBreak::kNone;
    if (breaks && offset == fault.breakAfter && !stalled) {
      switch (fault.bodyBreak) {
        case BodyBreak::kReset:
          ResetConnection(localAddress, localPort, peerAddress, peerPort);
          return false;
        case BodyBreak::kTruncate:
          return false;  // the server then closes the connection, short of Content-Length
        case BodyBreak::kStall:
          stop->WaitFor(fault.stallFor);
          stalled = true;
          break;
        case BodyBreak::kNone:
          break;
      }
    }
    const bool trickles = fault.trickleBytes > 0 && fault.trickleInterval.count() > 0;
    size_t piece = std::min(length, trickles ? fault.trickleBytes : kPieceBytes);
    if (breaks && offset < fault.breakAfter) piece = std::min(piece, fault.breakAfter - offset);
    if (trickles && offset > 0 && !stop->Raised()) stop->WaitFor(fault.trickleInterval);
    const std::string data = bytes(offset, piece);
    return sink.write(data.data(), data.size());
  }

  // One call of the chunked provider: the next piece, the end, or for an endless body the
  // content again and again.
  bool WriteChunk(size_t offset, httplib::DataSink& sink) {
    if (stop->Raised()) return false;
    if (!fault.endless && offset >= size) {
      sink.done();
      return true;
    }
    std::string data;
    if (!fault.endless) {
      data = bytes(offset, std::min(kPieceBytes, size - offset));
    } else if (size == 0) {
      data.assign(kPieceBytes, 'x');
    } else {
      while (data.size() < kPieceBytes) {
        const size_t at = (offset + data.size()) % size;
        data += bytes(at, std::min(kPieceBytes - data.size(), size - at));
      }
    }
    return sink.write(data.data(), data.size());
  }
};

}  // namespace

SampleSite::SampleSite(SiteConfig config) : model_(std::move(config)) {
  server_.new_task_queue = [] { return new ConnectionThreads; };
  server_.set_socket_options([this](int socket) {
    const int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // A program that a test starts must not keep the site's port open after the site stops.
    fcntl(socket, F_SETFD, FD_CLOEXEC);
    listenSocket_ = socket;
  });
  server_.set_keep_alive_max_count(kManyRequestsPerConnection);
  server_.set_keep_alive_timeout(kKeepAliveSeconds);
  // Without it a small body waits for the client's delayed acknowledgement of the headers.
  server_.set_tcp_nodelay(true);
  const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response);
  };
  // Every method, so that a request body is read before the response goes out.
  server_.Get(".*", handler);
  server_.Post(".*", handler);
  server_.Put(".*", handler);
  server_.Patch(".*", handler);
  server_.Delete(".*", handler);
  server_.Options(".*", handler);
}

SampleSite::~SampleSite() { Stop(); }

bool SampleSite::Start(int port) {
  if (started_) return false;
  if (port == 0) {
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ < 0) return false;
  } else {
    if (!server_.bind_to_port("127.0.0.1", port)) return false;
    port_ = port;
  }
  // The library listens with a backlog of 5, which drops the connections of a crawl that
  // starts all its workers at once; listening again only enlarges the queue.
  listen(listenSocket_, SOMAXCONN);
  started_ = true;
  warmingUp_ = true;
  server_.WarmUp("/");
  warmingUp_ = false;
  listener_ = std::thread([this] { server_.listen_after_bind(); });
  // The server ignores a stop that comes before it runs, so Stop must not come sooner.
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void SampleSite::Stop() {
  stop_->Raise();
  gate_.Open();
  if (listener_.joinable()) {
    server_.stop();
    // Idle kept-alive connections would otherwise hold their threads for the keep-alive time.
    ShutDownConnections("127.0.0.1", port_);
    listener_.join();
  }
}

std::string SampleSite::ProxyUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

void SampleSite::SetLatency(std::chrono::milliseconds latency) {
  latencyMs_.store(latency.count(), std::memory_order_relaxed);
}

void SampleSite::SetFault(PathPattern pattern, Fault fault) {
  std::lock_guard lock(faultsMutex_);
  faults_.emplace_back(std::move(pattern), std::move(fault));
}

void SampleSite::ClearFaults() {
  std::lock_guard lock(faultsMutex_);
  faults_.clear();
}

Fault SampleSite::FaultFor(const std::string& path) const {
  std::lock_guard lock(faultsMutex_);
  for (auto it = faults_.rbegin(); it != faults_.rend(); ++it) {
    if (it->first.Matches(path)) return it->second;
  }
  return {};
}

void SampleSite::Handle(const httplib::Request& request, httplib::Response& response) {
  const std::string path = PathOfTarget(request.target);
  if (warmingUp_) return Respond(request, path, Fault{}, response);
  LoggedRequest entry;
  entry.method = request.method;
  entry.target = request.target;
  entry.path = path;
  for (const auto& [name, value] : request.headers) {
    // The library adds the connection's ends as headers of its own; they were never sent.
    if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" &&
        name != "LOCAL_PORT") {
      entry.headers.emplace_back(name, value);
    }
  }
  entry.body = request.body;
  entry.connection = request.remote_port;
  entry.arrival = std::chrono::steady_clock::now();
  log_.Add(std::move(entry));

  gate_.Pass(path);
  const std::chrono::milliseconds latency(latencyMs_.load(std::memory_order_relaxed));
  if (latency.count() > 0) stop_->WaitFor(latency);
  Respond(request, path, FaultFor(path), response);
}

void SampleSite::Respond(const httplib::Request& request, const std::string& path,
                         const Fault& fault, httplib::Response& response) const {
  const std::optional<Resource> resource = model_.Find(path);
  auto transfer = std::make_shared<BodyTransfer>();
  std::string contentType = "text/html; charset=gb2312";
  if (fault.body) {
    auto body = std::make_shared<const std::string>(*fault.body);
    transfer->size = body->size();
    transfer->bytes = [body](size_t offset, size_t length) { return body->substr(offset, length); };
  } else if (resource && resource->kind == ResourceKind::kFile) {
    contentType = "application/octet-stream";
    const int number = resource->itemNumber;
    transfer->size = model_.ItemByNumber(number).fileSize;
    transfer->bytes = [this, number](size_t offset, size_t length) {
      return model_.FileContent(number, offset, length);
    };
  } else {
    auto body = std::make_shared<const std::string>(resource ? model_.PageBody(*resource)
                                                             : SiteModel::NotFoundBody());
    transfer->size = body->size();
    transfer->bytes = [body](size_t offset, size_t length) { return body->substr(offset, length); };
  }

  if (fault.head) {
    SendAndEnd(request.local_addr, request.local_port, request.remote_addr, request.remote_port,
               *fault.head + transfer->bytes(0, transfer->size));
    return;
  }
  if (fault.status != 0) {
    response.status = fault.status;
  } else if (!fault.location.empty()) {
    response.status = 302;
  } else {
    response.status = resource || fault.body ? 200 : 404;
  }
  if (!fault.location.empty()) response.set_header("Location", fault.location);
  for (const auto& [name, value] : fault.headers) response.set_header(name, value);

  transfer->fault = fault;
  transfer->localAddress = request.local_addr;
  transfer->localPort = request.local_port;
  transfer->peerAddress = request.remote_addr;
  transfer->peerPort = request.remote_port;
  transfer->stop = stop_;
  if (fault.chunked) {
    response.set_chunked_content_provider(contentType,
                                          [transfer](size_t offset, httplib::DataSink& sink) {
                                            return transfer->WriteChunk(offset, sink);
                                          });
    return;
  }
  if (transfer->size == 0 && fault.bodyBreak == BodyBreak::kNone && !fault.announcedLength) {
    // The HTTP library never ends a response whose provider has no bytes to give.
    response.set_content("", contentType);
    return;
  }
  response.set_content_provider(fault.announcedLength.value_or(transfer->size), contentType,
                                [transfer](size_t offset, size_t length, httplib::DataSink& sink) {
                                  return transfer->WriteNext(offset, length, sink);
                                });
}

}  // namespace sample_site
