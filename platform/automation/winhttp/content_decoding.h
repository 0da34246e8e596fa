// ContentDecoding: a response body's content codings undone as the body arrives, through a
// fixed scratch buffer per coding, with the end of every coding's stream checked.
//
// The codings are given in the order the server applied them and are undone in reverse. A body
// is accepted only when, at its end, every stream ended properly and nothing followed its end:
// gzip (and x-gzip) to the trailer of its last member, members one after another as gunzip
// decodes them; deflate, zlib-wrapped or raw (as the first two bytes say), to its end; br until
// the decoder reports it finished; zstd to the end of its last frame, frames of up to an 8 MiB
// window (HTTP's limit for the coding), skippable frames passed over. A body of no bytes at all
// is the empty body in any coding: there is no stream to have ended. Every stage counts what it
// is given against the limit, so that a stream that decodes to nothing (empty gzip members,
// skippable frames, without end) still ends.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Where decoded bytes go; false refuses them, which ends the decoding as a refused body.
class ByteSink {
 public:
  virtual bool Take(std::string_view bytes) = 0;

 protected:
  ~ByteSink() = default;
};

class ContentDecoding {
 public:
  // One stage per coding.
  class Stage;

  // The most codings one body may be in. Each stage holds its own buffers and decoder state, so
  // a longer chain would be memory that a server multiplies at will; libcurl refuses more than
  // this many too.
  static constexpr size_t kMaxCodings = 5;

  // The decoding of `codings` (as the Content-Encoding lines name them, in lower case, "identity"
  // left out), handing the decoded body to `out`, each stage taking at most `limit` bytes;
  // nullptr when a coding is none that is decoded here, or there are more than kMaxCodings.
  static std::unique_ptr<ContentDecoding> For(const std::vector<std::string>& codings,
                                              ByteSink& out, size_t limit);
  ~ContentDecoding();

  // The next piece of the body as it came; false when the body is refused: a decoder found an
  // error, bytes followed a stream's end, a stage was given more than the limit, or `out`
  // refused the decoded bytes.
  bool Take(std::string_view coded);
  // At the end of the body: whether every stream ended properly.
  bool Ended() const;

 private:
  explicit ContentDecoding(ByteSink& out);

  ByteSink& out_;
  // In the order the codings were applied: the last stage takes the body as it came, the first
  // hands its output to out_.
  std::vector<std::unique_ptr<Stage>> stages_;
};

}  // namespace platform
