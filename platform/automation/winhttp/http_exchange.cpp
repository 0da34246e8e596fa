#include "platform/automation/winhttp/http_exchange.h"

#include <algorithm>
#include <chrono>

namespace platform {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
    if (a != b) return false;
  }
  return true;
}

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

}  // namespace

HttpExchange::HttpExchange() : handle_(MakeThreadCachedEasyHandle()) {}

void HttpExchange::SetTimeouts(int32_t resolveMs, int32_t connectMs, int32_t sendMs,
                               int32_t receiveMs) {
  auto limit = [](int32_t ms) { return ms > 0 ? ms : 0; };
  // libcurl's connect time-out covers name resolution and the connection together.
  connectMs_ = resolveMs > 0 && connectMs > 0 ? resolveMs + connectMs : limit(connectMs);
  // One stall limit watches both directions: the longer of the two asked for, 0 (none) if
  // either is unlimited.
  stallMs_ = sendMs <= 0 || receiveMs <= 0 ? 0 : std::max(sendMs, receiveMs);
}

void HttpExchange::SetProxy(std::string proxy) { proxy_ = std::move(proxy); }

bool HttpExchange::Open(std::string method, std::string url) {
  opened_ = false;
  requestHeaders_.clear();
  hasResponse_ = false;
  status_ = 0;
  body_.clear();
  headerLines_.clear();
  if (!handle_ || method.empty() ||
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
  CURL* curl = handle_.get();
  // Nothing of an earlier exchange on this object carries over; the reset also drops the
  // thread's caches, so they are attached again.
  curl_easy_reset(curl);
  UseThreadCaches(curl);
  hasResponse_ = false;
  status_ = 0;
  body_.clear();
  headerLines_.clear();

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

  curl_easy_setopt(curl, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectMs_));
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
    // A broken transfer gives nothing: a partial body must never pass for a whole one.
    body_.clear();
    headerLines_.clear();
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

size_t HttpExchange::OnBody(char* data, size_t size, size_t count, void* self) {
  auto* exchange = static_cast<HttpExchange*>(self);
  if (exchange->body_.empty()) {
    // Room for the whole announced body at once, so a large file is not copied as it grows.
    curl_off_t announced = -1;
    curl_easy_getinfo(exchange->handle_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    if (announced > 0 && announced < (curl_off_t{1} << 32)) {
      exchange->body_.reserve(static_cast<size_t>(announced));
    }
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(data);
  exchange->body_.insert(exchange->body_.end(), bytes, bytes + size * count);
  return size * count;
}

size_t HttpExchange::OnHeader(char* data, size_t size, size_t count, void* self) {
  auto* exchange = static_cast<HttpExchange*>(self);
  std::string_view line = WithoutLineEnd(std::string_view(data, size * count));
  if (line.rfind("HTTP/", 0) == 0) {
    // A new response begins (after a redirect or an interim 1xx): only the last one counts.
    exchange->headerLines_.clear();
  } else if (!line.empty()) {
    exchange->headerLines_.emplace_back(line);
  }
  return size * count;
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
