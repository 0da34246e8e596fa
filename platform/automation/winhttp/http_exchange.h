// One synchronous HTTP exchange on libcurl: the engine behind the program's HTTP request object.
//
// Use: Open, then any SetRequestHeader calls, then Send; afterwards the status, the body and the
// final response's header lines. Time-outs are a connect limit and a stall limit (no byte moving
// in either direction for that long), never a cap on the whole transfer, so a long download that
// keeps moving is not cut. Without SetProxy, libcurl's own reading of http_proxy / no_proxy
// applies. Only http and https are fetched, redirects included, always over HTTP/1.1, so header
// lines arrive as the server spelled them.
//
// An exchange succeeds only with a whole response: an option that libcurl refuses (which fails
// it before anything is sent), a reset, a stall, a body shorter than announced, a response whose
// framing is in doubt (see ResponseFraming) or whose header lines are refused (see
// ResponseReader), a body longer than the body limit or one whose memory cannot be had all fail
// it. A body in a content coding (gzip, deflate, br, zstd) arrives decoded and
// only when each coding's stream ended (see ContentDecoding), though the request advertises no
// coding unless the caller sets Accept-Encoding; any other coding fails the exchange.
//
// Each Send runs on the calling thread's connection cache.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/winhttp/curl_holder.h"
#include "platform/automation/winhttp/response_reader.h"
#include "platform/byte_buffer.h"

namespace platform {

class HttpExchange {
 public:
  // The largest byte array the program can hold.
  static constexpr size_t kMaxBodyBytes = 0x7FFFFFFF;

  HttpExchange() = default;
  HttpExchange(const HttpExchange&) = delete;
  HttpExchange& operator=(const HttpExchange&) = delete;

  // Milliseconds; 0 means no limit for that phase. Resolve and connect together bound the
  // connection; send and receive are the stall limits of the two directions.
  void SetTimeouts(int32_t resolveMs, int32_t connectMs, int32_t sendMs, int32_t receiveMs);
  // A named proxy server ("host:port" or a URL) for this exchange.
  void SetProxy(std::string proxy);
  void SetFollowRedirects(bool follow) { followRedirects_ = follow; }
  // The connection's time limit as libcurl gets it (resolve and connect together); 0 for none.
  int64_t ConnectLimitMs() const { return connectMs_; }
  // The longest body accepted (kMaxBodyBytes unless lowered, as tests do).
  void SetBodyLimit(size_t bytes) { bodyLimit_ = bytes < kMaxBodyBytes ? bytes : kMaxBodyBytes; }

  // Starts a new request; false for a URL that is not http or https. Clears what an earlier
  // exchange left.
  bool Open(std::string method, std::string url);
  // False before Open or for an empty name or a name or value holding a line break.
  bool SetRequestHeader(std::string_view name, std::string_view value);
  // Runs the exchange. False when it did not bring a whole response (see above); nothing of a
  // failed response is kept then.
  bool Send(std::string_view body);

  bool HasResponse() const { return hasResponse_; }
  // 0 until a complete response has arrived.
  int32_t Status() const { return hasResponse_ ? status_ : 0; }
  // The body of the complete response, handed over: a second call gives nothing.
  ByteBuffer TakeResponseBody() { return hasResponse_ ? reader_->TakeBody() : ByteBuffer(); }
  // The final response's header lines, unfolded, joined by "\r\n", without the status line.
  std::string ResponseHeaders() const {
    return hasResponse_ ? reader_->ResponseHeaders() : std::string();
  }

 private:
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                        curl_off_t upNow);
  // The steps of Send, each false when libcurl refuses one of its options: what is asked, the
  // limits that keep the transfer to what the exchange allows, the callbacks that take and watch
  // what arrives, and the transfer.
  bool DescribeRequest(CurlHolder& curl, std::string_view body) const;
  bool GuardTransfer(CurlHolder& curl) const;
  bool WatchTransfer(CurlHolder& curl);
  bool Perform(const CurlHolder& curl);
  void Discard();

  std::string method_;
  std::string url_;
  std::optional<std::string> proxy_;
  std::vector<std::string> requestHeaders_;
  bool opened_ = false;
  bool followRedirects_ = true;
  int64_t connectMs_ = 60000;
  int64_t stallMs_ = 30000;
  size_t bodyLimit_ = kMaxBodyBytes;

  // Stall watch of the transfer in progress.
  curl_off_t lastMoved_ = -1;
  int64_t lastMovedAtMs_ = 0;

  bool hasResponse_ = false;
  int32_t status_ = 0;
  // What the transfer in progress, or the last one, brought.
  std::optional<ResponseReader> reader_;
};

}  // namespace platform
