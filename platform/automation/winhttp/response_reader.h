// ResponseReader: what the exchange reads of the responses to one request as libcurl hands them
// over: the header lines of every block (interim 1xx responses, redirects that libcurl follows,
// the final response, and a chunked body's trailer) and the final response's body.
//
// Each block's lines are unfolded (header_unfolding.h) before any header is read; a block whose
// first line after the status line is a continuation, whose framing is refused
// (ResponseFraming), whose content coding is not decoded here, or that is a redirect libcurl
// follows while its Location is folded (libcurl follows the first line alone) refuses the
// response. The final response's body is decoded as it arrives (ContentDecoding) into one
// block of memory, and is whole only when every coding's stream ended.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/winhttp/content_decoding.h"
#include "platform/automation/winhttp/header_unfolding.h"
#include "platform/automation/winhttp/response_framing.h"
#include "platform/byte_buffer.h"

namespace platform {

class ResponseReader final : private ByteSink {
 public:
  // All the header lines that reach the reader in one exchange, every block's status line, line
  // ends and closing blank line counted, may take this much together. libcurl 7.88 counts the
  // same bytes over all the responses of one transfer (interim ones and redirects included)
  // and refuses more than 300 KiB, and refuses any single line of 100 KiB or more before it is
  // handed over; this limit is below both, so that it is the one in force: whatever libcurl
  // refuses is over it too. A chunked body's trailer, which libcurl does not count, counts here.
  static constexpr size_t kMaxHeaderBytes = 64 * 1024;
  // How far ahead of the bytes that have arrived the body's block may be reserved, whatever
  // length the server announces.
  static constexpr size_t kMaxReserveAhead = 16 * 1024 * 1024;

  // A reader for a body of at most `bodyLimit` bytes, decoded, with each coding's stream at
  // most that long too; `followsRedirects` as libcurl is told.
  ResponseReader(size_t bodyLimit, bool followsRedirects);
  ResponseReader(const ResponseReader&) = delete;
  ResponseReader& operator=(const ResponseReader&) = delete;

  // One header line as libcurl hands it over, its line end included. False when the response
  // must not be taken: the transfer is to be given up.
  bool TakeHeaderLine(std::string_view line);
  // The next piece of the final response's body as it came, still in its content codings.
  // False when the body is refused (see ContentDecoding), is longer than the limit or its memory
  // cannot be had.
  bool TakeBodyPiece(std::string_view piece);
  // At the end of the transfer: whether the body is whole, every coding's stream ended.
  bool Finish() const;

  // The final response's header lines, unfolded, joined by "\r\n", without the status line.
  std::string ResponseHeaders() const;
  // The decoded body, handed over.
  ByteBuffer TakeBody() { return std::move(body_); }

 private:
  bool EndBlock();
  // The decoded body's bytes.
  bool Take(std::string_view bytes) override;

  const size_t bodyLimit_;
  const bool followsRedirects_;
  size_t headerBytes_ = 0;
  bool atBlockStart_ = true;  // the next header line begins a block: a status line or a trailer
  std::string statusLine_;
  HeaderUnfolding block_;
  ResponseFraming framing_;
  std::vector<std::string> headerLines_;
  // Set at the end of the header block of a response whose body is read.
  std::unique_ptr<ContentDecoding> decoding_;
  ByteBuffer body_;
};

}  // namespace platform
