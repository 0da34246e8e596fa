// ResponseFraming: what one response's status line and header lines say about the body that
// follows, and whether the exchange may take that body as the whole of what was sent.
//
// A response is refused when its framing contradicts itself or could be read two ways
// (Content-Length values that differ or are no numbers, a Content-Length beside any
// Transfer-Encoding, a Transfer-Encoding other than chunked applied once: the only transfer
// coding a server may apply to a request that names none in TE, and the only one the exchange
// reads as the server meant), when it is 206 Partial Content (we never ask for a range, so a
// part would pass for the whole), or when it announces a body longer than the exchange accepts.
// Interim responses (1xx) are never refused. The header lines it is given are unfolded
// (header_unfolding.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Header names compare without regard to ASCII case.
bool HeaderNameEquals(std::string_view a, std::string_view b);

// A header line's name and value: the text before its first colon and the text after it, each
// trimmed of blanks; nullopt for a line without a colon.
struct HeaderField {
  std::string_view name;
  std::string_view value;
};
std::optional<HeaderField> SplitHeaderLine(std::string_view line);

class ResponseFraming {
 public:
  // A status line ("HTTP/1.1 200 OK") begins a new response: what earlier ones said is dropped.
  void StartResponse(std::string_view statusLine);
  // One header line, without its line break.
  void AddHeader(std::string_view line);
  // At the end of the header block: false when the body must not be read as the response's.
  bool Acceptable(size_t bodyLimit) const;

  int Status() const { return status_; }
  // An interim response (1xx): the response is still to come.
  bool Interim() const { return status_ >= 100 && status_ < 200; }
  // False for the statuses that never carry a body: 1xx, 204 and 304.
  bool CarriesBody() const;
  // The length that every Content-Length line agreed on, if any.
  std::optional<uint64_t> ContentLength() const { return conflicting_ ? std::nullopt : length_; }
  // The content codings in the order they were applied: every Content-Encoding line's list in
  // turn, in lower case, without "identity".
  const std::vector<std::string>& ContentCodings() const { return contentCodings_; }

 private:
  int status_ = 0;
  bool transferEncoding_ = false;  // a Transfer-Encoding line came
  size_t transferCodings_ = 0;
  bool chunked_ = false;  // the last transfer coding named is chunked
  bool conflicting_ = false;
  std::optional<uint64_t> length_;
  std::vector<std::string> contentCodings_;
};

}  // namespace platform
