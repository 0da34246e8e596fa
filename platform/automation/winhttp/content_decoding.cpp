#include "platform/automation/winhttp/content_decoding.h"

#include <brotli/decode.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <array>
#include <climits>

namespace platform {

// What every stage shares: the count of what it was given against the limit, and the scratch
// buffer through which its output goes on to the next stage.
class ContentDecoding::Stage : public ByteSink {
 public:
  Stage(ByteSink& next, size_t limit) : next_(next), limit_(limit) {}
  virtual ~Stage() = default;

  bool Take(std::string_view coded) final {
    if (coded.empty()) return true;
    if (coded.size() > limit_ - taken_) return false;
    taken_ += coded.size();
    return Decode(coded);
  }
  // A stage that was given nothing had no stream to end.
  bool Ended() const { return taken_ == 0 || StreamEnded(); }

 protected:
  static constexpr size_t kScratchBytes = 64 * 1024;

  // Decodes a piece that is not empty.
  virtual bool Decode(std::string_view coded) = 0;
  virtual bool StreamEnded() const = 0;

  uint8_t* Scratch() { return scratch_.data(); }
  // The first `count` bytes of the scratch buffer, handed on.
  bool Emit(size_t count) {
    return count == 0 || next_.Take({reinterpret_cast<const char*>(scratch_.data()), count});
  }

 private:
  ByteSink& next_;
  const size_t limit_;
  size_t taken_ = 0;
  std::array<uint8_t, kScratchBytes> scratch_;
};

namespace {

using Stage = ContentDecoding::Stage;

// zlib's inflate over one stream, in the wrapper that windowBits selects.
class Inflater {
 public:
  enum class Result { kError, kMore, kEnd };

  ~Inflater() {
    if (initialised_) inflateEnd(&stream_);
  }
  bool Start(int windowBits) {
    initialised_ = inflateInit2(&stream_, windowBits) == Z_OK;
    return initialised_;
  }
  bool Restart() { return inflateReset(&stream_) == Z_OK; }

  // Inflates `coded` from its start, handing the output to emit(count) through scratch: kMore
  // when all of it was taken and the stream goes on, kEnd when the stream ended (`coded` then
  // holds what followed its end).
  template <typename Emit>
  Result Inflate(std::string_view& coded, uint8_t* scratch, size_t scratchBytes, Emit emit) {
    while (true) {
      // zlib counts in 32 bits; a longer piece goes in slices.
      const size_t slice = std::min<size_t>(coded.size(), UINT_MAX);
      stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(coded.data()));
      stream_.avail_in = static_cast<uInt>(slice);
      stream_.next_out = scratch;
      stream_.avail_out = static_cast<uInt>(scratchBytes);
      const int result = inflate(&stream_, Z_NO_FLUSH);
      coded.remove_prefix(slice - stream_.avail_in);
      if (!emit(scratchBytes - stream_.avail_out)) return Result::kError;
      if (result == Z_STREAM_END) return Result::kEnd;
      // Z_BUF_ERROR: no progress was possible, which with room for output means that all input
      // was taken.
      if (result != Z_OK && (result != Z_BUF_ERROR || !coded.empty())) return Result::kError;
      if (coded.empty() && stream_.avail_out != 0) return Result::kMore;
    }
  }

 private:
  z_stream stream_{};
  bool initialised_ = false;
};

// gzip: members one after another; whatever follows a member's end must begin another.
class GzipStage final : public Stage {
 public:
  GzipStage(ByteSink& next, size_t limit) : Stage(next, limit) {
    started_ = inflater_.Start(16 + MAX_WBITS);
  }

 private:
  bool Decode(std::string_view coded) override {
    if (!started_) return false;
    while (!coded.empty()) {
      if (!inMember_ && !inflater_.Restart()) return false;
      inMember_ = true;
      const Inflater::Result result = inflater_.Inflate(
          coded, Scratch(), kScratchBytes, [this](size_t count) { return Emit(count); });
      if (result == Inflater::Result::kError) return false;
      if (result == Inflater::Result::kEnd) inMember_ = false;
    }
    return true;
  }
  bool StreamEnded() const override { return !inMember_; }

  Inflater inflater_;
  bool started_ = false;
  bool inMember_ = false;
};

// deflate: a zlib stream as the coding is meant, or a raw deflate stream as some servers send
// it; the first two bytes tell which (a zlib header names the method 8 with a window of at most
// 32 KiB, and its two bytes are a multiple of 31). Nothing may follow the end.
class DeflateStage final : public Stage {
 public:
  using Stage::Stage;

 private:
  static bool IsZlibHeader(uint8_t first, uint8_t second) {
    return (first & 0x0F) == Z_DEFLATED && (first >> 4) <= 7 && ((first << 8) | second) % 31 == 0;
  }

  bool Decode(std::string_view coded) override {
    std::string_view pieces[] = {{}, coded};
    if (!started_) {
      // The first byte may come alone: it waits for the second.
      if (head_.size() + coded.size() < 2) {
        head_ += coded;
        return true;
      }
      const uint8_t first = static_cast<uint8_t>(head_.empty() ? coded[0] : head_[0]);
      const uint8_t second = static_cast<uint8_t>(head_.empty() ? coded[1] : coded[0]);
      if (!inflater_.Start(IsZlibHeader(first, second) ? MAX_WBITS : -MAX_WBITS)) return false;
      started_ = true;
      pieces[0] = head_;
    }
    for (std::string_view piece : pieces) {
      if (piece.empty()) continue;
      if (ended_) return false;
      const Inflater::Result result = inflater_.Inflate(
          piece, Scratch(), kScratchBytes, [this](size_t count) { return Emit(count); });
      if (result == Inflater::Result::kError) return false;
      if (result == Inflater::Result::kEnd) {
        ended_ = true;
        if (!piece.empty()) return false;
      }
    }
    return true;
  }
  bool StreamEnded() const override { return ended_; }

  Inflater inflater_;
  std::string head_;
  bool started_ = false;
  bool ended_ = false;
};

class BrotliStage final : public Stage {
 public:
  BrotliStage(ByteSink& next, size_t limit)
      : Stage(next, limit), state_(BrotliDecoderCreateInstance(nullptr, nullptr, nullptr)) {}
  ~BrotliStage() override {
    if (state_) BrotliDecoderDestroyInstance(state_);
  }

 private:
  bool Decode(std::string_view coded) override {
    if (!state_ || finished_) return false;
    size_t availableIn = coded.size();
    const uint8_t* nextIn = reinterpret_cast<const uint8_t*>(coded.data());
    while (true) {
      size_t availableOut = kScratchBytes;
      uint8_t* nextOut = Scratch();
      const BrotliDecoderResult result = BrotliDecoderDecompressStream(
          state_, &availableIn, &nextIn, &availableOut, &nextOut, nullptr);
      if (!Emit(kScratchBytes - availableOut)) return false;
      switch (result) {
        case BROTLI_DECODER_RESULT_SUCCESS:
          finished_ = true;
          return availableIn == 0;
        case BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT:
          return true;
        case BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT:
          break;
        case BROTLI_DECODER_RESULT_ERROR:
          return false;
      }
    }
  }
  bool StreamEnded() const override { return finished_; }

  BrotliDecoderState* const state_;
  bool finished_ = false;
};

class ZstdStage final : public Stage {
 public:
  // HTTP's zstd coding bounds the window at 8 MiB, so that no frame can make the decoder take a
  // larger block.
  static constexpr int kWindowLogMax = 23;

  ZstdStage(ByteSink& next, size_t limit) : Stage(next, limit), context_(ZSTD_createDCtx()) {
    if (context_ &&
        ZSTD_isError(ZSTD_DCtx_setParameter(context_, ZSTD_d_windowLogMax, kWindowLogMax))) {
      ZSTD_freeDCtx(context_);
      context_ = nullptr;
    }
  }
  ~ZstdStage() override { ZSTD_freeDCtx(context_); }

 private:
  bool Decode(std::string_view coded) override {
    if (!context_) return false;
    ZSTD_inBuffer in{coded.data(), coded.size(), 0};
    size_t result = 0;
    // The decoder takes a frame's last byte only once it has flushed all the frame's output,
    // so a piece that is all taken leaves nothing of an ended frame behind.
    while (in.pos < in.size) {
      ZSTD_outBuffer out{Scratch(), kScratchBytes, 0};
      result = ZSTD_decompressStream(context_, &out, &in);
      if (ZSTD_isError(result) || !Emit(out.pos)) return false;
    }
    // 0: the last frame is decoded and flushed.
    atFrameEnd_ = result == 0;
    return true;
  }
  bool StreamEnded() const override { return atFrameEnd_; }

  ZSTD_DCtx* context_;
  bool atFrameEnd_ = false;
};

std::unique_ptr<Stage> MakeStage(std::string_view coding, ByteSink& next, size_t limit) {
  if (coding == "gzip" || coding == "x-gzip") return std::make_unique<GzipStage>(next, limit);
  if (coding == "deflate") return std::make_unique<DeflateStage>(next, limit);
  if (coding == "br") return std::make_unique<BrotliStage>(next, limit);
  if (coding == "zstd") return std::make_unique<ZstdStage>(next, limit);
  return nullptr;
}

}  // namespace

std::unique_ptr<ContentDecoding> ContentDecoding::For(const std::vector<std::string>& codings,
                                                      ByteSink& out, size_t limit) {
  if (codings.size() > kMaxCodings) return nullptr;
  std::unique_ptr<ContentDecoding> decoding(new ContentDecoding(out));
  // The first coding applied is undone last, straight into `out`.
  ByteSink* next = &out;
  for (const std::string& coding : codings) {
    std::unique_ptr<Stage> stage = MakeStage(coding, *next, limit);
    if (!stage) return nullptr;
    next = stage.get();
    decoding->stages_.push_back(std::move(stage));
  }
  return decoding;
}

ContentDecoding::ContentDecoding(ByteSink& out) : out_(out) {}
ContentDecoding::~ContentDecoding() = default;

bool ContentDecoding::Take(std::string_view coded) {
  return stages_.empty() ? out_.Take(coded) : stages_.back()->Take(coded);
}

bool ContentDecoding::Ended() const {
  return std::all_of(stages_.begin(), stages_.end(),
                     [](const std::unique_ptr<Stage>& stage) { return stage->Ended(); });
}

}  // namespace platform
