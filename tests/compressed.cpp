#include "tests/compressed.h"

#include <brotli/encode.h>
#include <zlib.h>
#include <zstd.h>

#include <stdexcept>

namespace {

std::string Deflated(std::string_view bytes, int windowBits) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&stream, bytes.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

}  // namespace

std::string Compressed(Coding coding, std::string_view bytes) {
  switch (coding) {
    case Coding::kGzip:
      return Deflated(bytes, 16 + MAX_WBITS);
    case Coding::kZlib:
      return Deflated(bytes, MAX_WBITS);
    case Coding::kRawDeflate:
      return Deflated(bytes, -MAX_WBITS);
    case Coding::kBrotli: {
      std::string out(BrotliEncoderMaxCompressedSize(bytes.size()), '\0');
      size_t size = out.size();
      if (!BrotliEncoderCompress(BROTLI_MIN_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC,
                                 bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()),
                                 &size, reinterpret_cast<uint8_t*>(out.data()))) {
        throw std::runtime_error("BrotliEncoderCompress");
      }
      out.resize(size);
      return out;
    }
    case Coding::kZstd: {
      std::string out(ZSTD_compressBound(bytes.size()), '\0');
      const size_t size = ZSTD_compress(out.data(), out.size(), bytes.data(), bytes.size(), 1);
      if (ZSTD_isError(size)) throw std::runtime_error("ZSTD_compress");
      out.resize(size);
      return out;
    }
  }
  throw std::invalid_argument("coding");
}
