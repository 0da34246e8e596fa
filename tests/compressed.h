// Bodies in the content codings that servers send, made with the coding libraries' own
// encoders, for the tests of the HTTP exchange.
#pragma once

#include <string>
#include <string_view>

enum class Coding {
  kGzip,        // one gzip member
  kZlib,        // HTTP's "deflate" as it is meant: a zlib stream
  kRawDeflate,  // HTTP's "deflate" as some servers send it: a deflate stream without wrapper
  kBrotli,      // "br"
  kZstd,        // one zstd frame
};

// `bytes` in one stream of the coding.
std::string Compressed(Coding coding, std::string_view bytes);
