#include "platform/automation/winhttp/http_exchange.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace platform {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && HeaderNameEquals(text.substr(0, prefix.size()), prefix);
}

long ToCurlMs(int64_t ms) {
  return static_cast<long>(std::min<int64_t>(ms, std::numeric_limits<long>::max()));
}

}  // namespace

void HttpExchange::SetTimeouts(int32_t resolveMs, int32_t connectMs, int32_t sendMs,
                               int32_t receiveMs) {
  // libcurl's connect time-out covers name resolution and the connection together; the sum of
  // two 32-bit limits needs 64 bits.
  connectMs_ = resolveMs > 0 && connectMs > 0 ? int64_t{resolveMs} + connectMs
                                              : std::max<int64_t>(connectMs, 0);
  // One stall limit watches both directions: the longer of the two asked for, 0 (none) if
  // either is unlimited.
  stallMs_ = sendMs <= 0 || receiveMs <= 0 ? 0 : std::max(sendMs, receiveMs);
}

void HttpExchange::SetProxy(std::string proxy) { proxy_ = std::move(proxy); }

bool HttpExchange::Open(std::string method, std::string url) {
  opened_ = false;
  requestHeaders_.clear();
  Discard();
  if (method.empty() || !(StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://"))) {
    return false;
  }
  method_ = std::move(method);
  url_ = std::move(url);
  opened_ = true;
  return true;
}

bool HttpExchange::SetRequestHeader(std::string_view name, std::string_view value) {
  if (!opened_ || name.empty() || name.find_first_of("\r\n:") != std::string_view::npos ||
      value.find_first_of("\r\n") != std::string_view::npos) {
    return false;
  }
  std::string line(name);
  // libcurl takes "Name;" for a header whose value is empty, and drops "Name:" altogether.
  line += value.empty() ? ";" : ": ";
  line += value;
  requestHeaders_.push_back(std::move(line));
  return true;
}

bool HttpExchange::Send(std::string_view body) {
  if (!opened_) return false;
  Discard();
  // A new holder for every transfer: a handle is never reset for another (see CurlHolder).
  CurlHolder curl;
  const bool whole = curl && DescribeRequest(curl, body) && GuardTransfer(curl) &&
                     WatchTransfer(curl) && Perform(curl);
  // A broken or refused transfer gives nothing: a partial body must never pass for a whole.
  if (!whole) Discard();
  return whole;
}

bool HttpExchange::DescribeRequest(CurlHolder& curl, std::string_view body) const {
  for (const std::string& line : requestHeaders_) {
    if (!curl.AppendHeader(line.c_str())) return false;
  }
  // No "Expect: 100-continue" round trip before a body.
  if (!curl.AppendHeader("Expect:") || !curl.SetOption(CURLOPT_URL, url_.c_str())) return false;
  if (proxy_ && !curl.SetOption(CURLOPT_PROXY, proxy_->c_str())) return false;
  if (method_ == "GET" && body.empty()) return curl.SetOption(CURLOPT_HTTPGET, 1L);
  return curl.SetOption(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())) &&
         curl.SetOption(CURLOPT_POSTFIELDS, body.data()) &&
         (method_ == "POST" || curl.SetOption(CURLOPT_CUSTOMREQUEST, method_.c_str()));
}

bool HttpExchange::GuardTransfer(CurlHolder& curl) const {
  return curl.SetOption(CURLOPT_PROTOCOLS_STR, "http,https") &&
         curl.SetOption(CURLOPT_REDIR_PROTOCOLS_STR, "http,https") &&
         curl.SetOption(CURLOPT_NOSIGNAL, 1L) &&
         // HTTP/2 would bring header names in lower case; the object we stand in for speaks 1.1.
         curl.SetOption(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) &&
         // The body comes as it was sent: the reader decodes it, checking where each coding's
         // stream ends, which libcurl's lenient decoders do not report.
         curl.SetOption(CURLOPT_HTTP_CONTENT_DECODING, 0L) &&
         curl.SetOption(CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L) &&
         curl.SetOption(CURLOPT_MAXREDIRS, 10L) &&
         curl.SetOption(CURLOPT_CONNECTTIMEOUT_MS, ToCurlMs(connectMs_));
}

bool HttpExchange::WatchTransfer(CurlHolder& curl) {
  lastMoved_ = -1;
  lastMovedAtMs_ = NowMs();
  reader_.emplace(bodyLimit_, followRedirects_);
  return curl.SetOption(CURLOPT_WRITEFUNCTION, &HttpExchange::OnBody) &&
         curl.SetOption(CURLOPT_WRITEDATA, this) &&
         curl.SetOption(CURLOPT_HEADERFUNCTION, &HttpExchange::OnHeader) &&
         curl.SetOption(CURLOPT_HEADERDATA, this) && curl.SetOption(CURLOPT_NOPROGRESS, 0L) &&
         curl.SetOption(CURLOPT_XFERINFOFUNCTION, &HttpExchange::OnProgress) &&
         curl.SetOption(CURLOPT_XFERINFODATA, this);
}

bool HttpExchange::Perform(const CurlHolder& curl) {
  if (curl_easy_perform(curl.Handle()) != CURLE_OK || !reader_->Finish()) return false;
  long status = 0;
  curl_easy_getinfo(curl.Handle(), CURLINFO_RESPONSE_CODE, &status);
  hasResponse_ = true;
  status_ = static_cast<int32_t>(status);
  return true;
}

void HttpExchange::Discard() {
  hasResponse_ = false;
  status_ = 0;
  reader_.reset();
}

// libcurl's callbacks: a count other than the one given back aborts the transfer, which is then
// a failed exchange.
size_t HttpExchange::OnBody(char* data, size_t size, size_t count, void* self) {
  const size_t bytes = size * count;
  return static_cast<HttpExchange*>(self)->reader_->TakeBodyPiece({data, bytes}) ? bytes : 0;
}

size_t HttpExchange::OnHeader(char* data, size_t size, size_t count, void* self) {
  const size_t bytes = size * count;
  return static_cast<HttpExchange*>(self)->reader_->TakeHeaderLine({data, bytes}) ? bytes : 0;
}

int HttpExchange::OnProgress(void* self, curl_off_t, curl_off_t downNow, curl_off_t,
                             curl_off_t upNow) {
  auto* exchange = static_cast<HttpExchange*>(self);
  const int64_t now = NowMs();
  const curl_off_t moved = downNow + upNow;
  if (moved != exchange->lastMoved_) {
    exchange->lastMoved_ = moved;
    exchange->lastMovedAtMs_ = now;
    return 0;
  }
  const bool stalled =
      exchange->stallMs_ > 0 && now - exchange->lastMovedAtMs_ > exchange->stallMs_;
  return stalled ? 1 : 0;
}

}  // namespace platform
