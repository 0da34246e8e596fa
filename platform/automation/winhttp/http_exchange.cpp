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

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// One response's header lines may take this much in all; more is no response we can use.
constexpr size_t kMaxHeaderBytes = 1024 * 1024;
// A body's block starts at this much room, and grows by what it holds until it is
// kMaxReserveAhead ahead.
constexpr size_t kFirstReserve = 64 * 1024;

long ToCurlMs(int64_t ms) {
  return static_cast<long>(std::min<int64_t>(ms, std::numeric_limits<long>::max()));
}

bool HasHeaderNamed(const std::vector<std::string>& lines, std::string_view name) {
  return std::any_of(lines.begin(), lines.end(), [name](const std::string& line) {
    const size_t colon = line.find_first_of(":;");
    return HeaderNameEquals(std::string_view(line).substr(0, colon), name);
  });
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
  if (method.empty() ||
      !(StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://"))) {
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
  // A new handle for every transfer: libcurl 7.88 keeps a pointer to the last header of the
  // handle's previous transfer, freed since, and a continuation line right after the next status
  // line would be joined onto it.
  const CurlEasyHandle handle = MakeThreadCachedEasyHandle();
  if (!handle) return false;
  CURL* curl = handle.get();

  CurlHeaderList headers;
  auto append = [&headers](const char* line) {
    curl_slist* extended = curl_slist_append(headers.get(), line);
    if (extended == nullptr) return false;
    (void)headers.release();  // the list now continues from extended
    headers.reset(extended);
    return true;
  };
  for (const std::string& line : requestHeaders_) {
    if (!append(line.c_str())) return false;
  }
  // No "Expect: 100-continue" round trip before a body.
  if (!append("Expect:")) return false;
  // Decoding is on (CURLOPT_ACCEPT_ENCODING below) for a server or proxy that compresses
  // unasked, but the request advertises no coding of its own, unless the caller set one.
  if (!HasHeaderNamed(requestHeaders_, "Accept-Encoding") && !append("Accept-Encoding:")) {
    return false;
  }

  curl_easy_setopt(curl, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  // HTTP/2 would bring header names in lower case; the object we stand in for speaks 1.1.
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, ToCurlMs(connectMs_));
  if (proxy_) curl_easy_setopt(curl, CURLOPT_PROXY, proxy_->c_str());
  if (method_ == "GET" && body.empty()) {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    if (method_ != "POST") curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method_.c_str());
  }
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &HttpExchange::OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &HttpExchange::OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &HttpExchange::OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
  lastMoved_ = -1;
  lastMovedAtMs_ = NowMs();

  const CURLcode result = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  if (result != CURLE_OK) {
    // A broken or refused transfer gives nothing: a partial body must never pass for a whole.
    Discard();
    return false;
  }
  hasResponse_ = true;
  status_ = static_cast<int32_t>(status);
  return true;
}

std::string HttpExchange::ResponseHeaders() const {
  std::string joined;
  for (const std::string& line : headerLines_) {
    if (!joined.empty()) joined += "\r\n";
    joined += line;
  }
  return joined;
}

void HttpExchange::Discard() {
  hasResponse_ = false;
  status_ = 0;
  body_.clear();
  headerLines_.clear();
  headerBytes_ = 0;
  atBlockStart_ = true;
  framing_ = ResponseFraming();
}

bool HttpExchange::KeepBody(const char* data, size_t count) {
  if (count > bodyLimit_ - body_.size()) return false;
  const size_t needed = body_.size() + count;
  if (needed > body_.capacity()) {
    // Grow ahead of the bytes by what the body holds, but never further ahead than
    // kMaxReserveAhead, whatever the server announced; a block that fits the announced length
    // exactly saves the slack.
    size_t room = needed + std::clamp(body_.size(), kFirstReserve, kMaxReserveAhead);
    const std::optional<uint64_t> announced = framing_.ContentLength();
    if (announced && *announced >= needed && *announced < room) room = *announced;
    if (!body_.TryReserve(std::min(room, bodyLimit_))) return false;
  }
  return body_.TryAppend(data, count);
}

bool HttpExchange::KeepHeaderLine(std::string_view line) {
  headerBytes_ += line.size();
  if (headerBytes_ > kMaxHeaderBytes) return false;
  if (atBlockStart_) {
    // Only a block's first line is a status line: a new response (after a redirect, an interim
    // 1xx or a proxy's answer to CONNECT), and only the last one counts. Any other line there
    // follows a chunked body: a trailer, which is none of the response's headers.
    if (line.rfind("HTTP/", 0) == 0) {
      headerLines_.clear();
      headerBytes_ = line.size();
      framing_.StartResponse(line);
      atBlockStart_ = false;
    }
    return true;
  }
  if (line.empty()) {
    atBlockStart_ = true;
    return framing_.Acceptable(bodyLimit_);
  }
  headerLines_.emplace_back(line);
  framing_.AddHeader(line);
  return true;
}

// libcurl's callbacks: a count other than the one given back aborts the transfer, which is then
// a failed exchange.
size_t HttpExchange::OnBody(char* data, size_t size, size_t count, void* self) {
  const size_t bytes = size * count;
  return static_cast<HttpExchange*>(self)->KeepBody(data, bytes) ? bytes : 0;
}

size_t HttpExchange::OnHeader(char* data, size_t size, size_t count, void* self) {
  const size_t bytes = size * count;
  const std::string_view line = WithoutLineEnd(std::string_view(data, bytes));
  return static_cast<HttpExchange*>(self)->KeepHeaderLine(line) ? bytes : 0;
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
