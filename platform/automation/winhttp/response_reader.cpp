#include "platform/automation/winhttp/response_reader.h"

#include <algorithm>
#include <optional>

namespace platform {
namespace {

// A body's block starts at this much room, and grows by what it holds until it is
// kMaxReserveAhead ahead.
constexpr size_t kFirstReserve = 64 * 1024;

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

}  // namespace

ResponseReader::ResponseReader(size_t bodyLimit, bool followsRedirects)
    : bodyLimit_(bodyLimit), followsRedirects_(followsRedirects) {}

bool ResponseReader::TakeHeaderLine(std::string_view received) {
  headerBytes_ += received.size();
  if (headerBytes_ > kMaxHeaderBytes) return false;
  const std::string_view line = WithoutLineEnd(received);
  if (atBlockStart_) {
    // Only a block's first line is a status line: a new response (after a redirect, an interim
    // 1xx or a proxy's answer to CONNECT), and only the last one counts. Any other line there
    // follows a chunked body: a trailer, which is none of the response's headers.
    if (line.starts_with("HTTP/")) {
      statusLine_ = line;
      block_ = HeaderUnfolding();
      decoding_.reset();
      atBlockStart_ = false;
    }
    return true;
  }
  if (!line.empty()) {
    block_.Add(line);
    return true;
  }
  atBlockStart_ = true;
  return EndBlock();
}

bool ResponseReader::EndBlock() {
  // A continuation right after the status line continues nothing.
  if (block_.BeginsWithContinuation()) return false;
  framing_.StartResponse(statusLine_);
  bool locationFolded = false;
  bool hasTarget = false;
  for (const UnfoldedHeaderLine& line : block_.Lines()) {
    framing_.AddHeader(line.text);
    const std::optional<HeaderField> field = SplitHeaderLine(line.text);
    if (field && HeaderNameEquals(field->name, "Location")) {
      locationFolded = locationFolded || line.folded;
      hasTarget = hasTarget || !field->value.empty();
    }
  }
  if (!framing_.Acceptable(bodyLimit_)) return false;
  if (framing_.Interim()) return true;
  headerLines_.clear();
  for (const UnfoldedHeaderLine& line : block_.Lines()) headerLines_.push_back(line.text);
  if (followsRedirects_ && framing_.Status() / 100 == 3) {
    // libcurl would go on to the first line's target, not to the one the unfolded line names.
    if (locationFolded) return false;
    // The body of a redirect that libcurl follows never reaches the reader.
    if (hasTarget) return true;
  }
  if (!framing_.CarriesBody()) return true;
  decoding_ = ContentDecoding::For(framing_.ContentCodings(), *this, bodyLimit_);
  return decoding_ != nullptr;
}

bool ResponseReader::TakeBodyPiece(std::string_view piece) {
  return decoding_ && decoding_->Take(piece);
}

bool ResponseReader::Finish() const { return !decoding_ || decoding_->Ended(); }

std::string ResponseReader::ResponseHeaders() const {
  std::string joined;
  for (const std::string& line : headerLines_) {
    if (!joined.empty()) joined += "\r\n";
    joined += line;
  }
  return joined;
}

bool ResponseReader::Take(std::string_view bytes) {
  if (bytes.size() > bodyLimit_ - body_.size()) return false;
  const size_t needed = body_.size() + bytes.size();
  if (needed > body_.capacity()) {
    // Grow ahead of the bytes by what the body holds, but never further ahead than
    // kMaxReserveAhead, whatever the server announced; a block that fits the announced length
    // of a body without coding exactly saves the slack.
    size_t room = needed + std::clamp(body_.size(), kFirstReserve, kMaxReserveAhead);
    const std::optional<uint64_t> announced = framing_.ContentLength();
    if (announced && framing_.ContentCodings().empty() && *announced >= needed &&
        *announced < room) {
      room = *announced;
    }
    if (!body_.TryReserve(std::min(room, bodyLimit_))) return false;
  }
  return body_.TryAppend(bytes.data(), bytes.size());
}

}  // namespace platform
