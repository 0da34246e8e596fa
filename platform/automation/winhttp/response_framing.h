// ResponseFraming: what one response's status line and header lines say about the body that
// follows, and whether the exchange may take that body as the whole of what was sent.
//
// A response is refused when its framing contradicts itself (Content-Length values that differ
// or are no numbers, a Content-Length beside chunked transfer coding: two readings of where the
// body ends), when it is 206 Partial Content (we never ask for a range, so a part would pass for
// the whole), or when it announces a body longer than the exchange accepts. Interim responses
// (1xx) are never refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// Header names compare without regard to ASCII case.
bool HeaderNameEquals(std::string_view a, std::string_view b);

class ResponseFraming {
 public:
  // A status line ("HTTP/1.1 200 OK") begins a new response: what earlier ones said is dropped.
  void StartResponse(std::string_view statusLine);
  // One header line, without its line break.
  void AddHeader(std::string_view line);
  // At the end of the header block: false when the body must not be read as the response's.
  bool Acceptable(size_t bodyLimit) const;

  int Status() const { return status_; }
  // The length that every Content-Length line agreed on, if any.
  std::optional<uint64_t> ContentLength() const { return conflicting_ ? std::nullopt : length_; }

 private:
  int status_ = 0;
  bool chunked_ = false;
  bool conflicting_ = false;
  std::optional<uint64_t> length_;
};

}  // namespace platform
