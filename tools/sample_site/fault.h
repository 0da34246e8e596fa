// A misbehaviour the site shows for chosen paths, so that a client's failure handling can be
// tested against a real exchange.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sample_site {

// How the transfer of the body ends, after `Fault::breakAfter` bytes of it have been sent.
enum class BodyBreak {
  kNone,
  kReset,     // the connection is reset (RST)
  kTruncate,  // the connection is closed normally, short of the Content-Length announced
  kStall,     // nothing more is sent until `Fault::stallFor` has passed (zero: until the site
              // stops), then the rest of the body follows
};

struct Fault {
  // The status; 0 keeps the path's own (200, or 404 for a path the site does not have), or
  // 302 when `location` is set.
  int status = 0;
  // Sent as a Location line, which makes the response a redirect.
  std::string location;
  // Extra header lines in this order, e.g. {"Set-Cookie", "a=1; path=/"}.
  std::vector<std::pair<std::string, std::string>> headers;
  // Served instead of the path's own content, as bytes (GBK for a page).
  std::optional<std::string> body;
  BodyBreak bodyBreak = BodyBreak::kNone;
  size_t breakAfter = 0;
  std::chrono::milliseconds stallFor{0};
  // When both are set, the body goes out in pieces of `trickleBytes`, one every
  // `trickleInterval`: a slow transfer that never stops moving.
  size_t trickleBytes = 0;
  std::chrono::milliseconds trickleInterval{0};
  // Announced as the Content-Length in place of the body's own size; when the body is shorter,
  // the connection closes once it is sent.
  std::optional<uint64_t> announcedLength;
  // The body goes out in chunked transfer coding, without a Content-Length of the site's own.
  bool chunked = false;
  // The body never ends: chunked, piece after piece of the path's content over and over, until
  // the client goes away or the site stops.
  bool endless = false;
  // When set, the response's head (status line and header lines, through the blank line that
  // ends them) goes out as exactly these bytes, followed by the body as it is (the fault's or
  // the path's), and then the connection ends: for heads the HTTP library will not send, such
  // as a folded header line. The status, location, headers and the ways of sending the body
  // above are then left unused.
  std::optional<std::string> head;

  static Fault Status(int status) {
    Fault fault;
    fault.status = status;
    return fault;
  }
  static Fault Redirect(std::string location, int status = 302) {
    Fault fault = Status(status);
    fault.location = std::move(location);
    return fault;
  }
  static Fault SetCookies(const std::vector<std::string>& cookies) {
    Fault fault;
    for (const std::string& cookie : cookies) fault.headers.emplace_back("Set-Cookie", cookie);
    return fault;
  }
  static Fault Body(std::string body, int status = 0) {
    Fault fault = Status(status);
    fault.body = std::move(body);
    return fault;
  }
  static Fault Break(BodyBreak bodyBreak, size_t after) {
    Fault fault;
    fault.bodyBreak = bodyBreak;
    fault.breakAfter = after;
    return fault;
  }
  static Fault Reset(size_t after) { return Break(BodyBreak::kReset, after); }
  static Fault Truncate(size_t after) { return Break(BodyBreak::kTruncate, after); }
  static Fault Stall(size_t after, std::chrono::milliseconds stallFor = {}) {
    Fault fault = Break(BodyBreak::kStall, after);
    fault.stallFor = stallFor;
    return fault;
  }
  static Fault Announce(uint64_t length, std::string body) {
    Fault fault = Body(std::move(body));
    fault.announcedLength = length;
    return fault;
  }
  static Fault Chunked(std::string body) {
    Fault fault = Body(std::move(body));
    fault.chunked = true;
    return fault;
  }
  static Fault Endless() {
    Fault fault;
    fault.chunked = fault.endless = true;
    return fault;
  }
  static Fault Head(std::string head, std::string body) {
    Fault fault = Body(std::move(body));
    fault.head = std::move(head);
    return fault;
  }
  static Fault Trickle(size_t bytes, std::chrono::milliseconds interval) {
    Fault fault;
    fault.trickleBytes = bytes;
    fault.trickleInterval = interval;
    return fault;
  }
};

}  // namespace sample_site
