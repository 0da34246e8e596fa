// What the exchange reads of a response, fed as libcurl would feed it: the input's header lines
// (status lines, header lines, folded or not, one block or several), its body in pieces of the
// sizes the input names, still in its content codings, and a trailer. Whatever the input, the
// reader takes no more than its limits, and the outcome (taken or refused, and what was taken)
// does not depend on how the body was cut into pieces.
// Input parts: header text, body, trailer text, the piece sizes (decimal numbers separated by
// commas, used in turn), the body limit (1 MiB when not above 0), and a number whose bit 0 says
// that redirects are followed.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/winhttp/response_reader.h"
#include "platform/codepage.h"
#include "tests/fuzz_check.h"
#include "tests/fuzz_input.h"

namespace {

using platform::ResponseReader;

constexpr size_t kDefaultBodyLimit = 1 << 20;

// The lines of `text` with their line ends, as libcurl hands them over: only whole lines.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t end; (end = text.find('\n')) != std::string_view::npos;) {
    lines.push_back(text.substr(0, end + 1));
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::vector<size_t> PieceSizes(std::string_view list) {
  std::vector<size_t> sizes;
  while (!list.empty()) {
    size_t size = 0;
    const auto [end, error] = std::from_chars(list.data(), list.data() + list.size(), size);
    if (error == std::errc()) sizes.push_back(std::max<size_t>(size, 1));
    const size_t comma = list.find(',');
    list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
  }
  if (sizes.empty()) sizes.push_back(1);
  return sizes;
}

struct Outcome {
  bool taken = false;
  std::string body;
  std::string headers;
  size_t headerBytes = 0;
};

Outcome Read(const std::vector<std::string_view>& lines, std::string_view body,
             const std::vector<std::string_view>& trailer, const std::vector<size_t>& sizes,
             size_t bodyLimit, bool followsRedirects) {
  ResponseReader reader(bodyLimit, followsRedirects);
  Outcome outcome;
  auto takeLines = [&](const std::vector<std::string_view>& block) {
    for (std::string_view line : block) {
      outcome.headerBytes += line.size();
      if (!reader.TakeHeaderLine(line)) return false;
    }
    return true;
  };
  bool taken = takeLines(lines);
  // libcurl hands over no empty piece.
  for (size_t turn = 0; taken && !body.empty(); ++turn) {
    const size_t size = std::min(sizes[turn % sizes.size()], body.size());
    taken = reader.TakeBodyPiece(body.substr(0, size));
    body.remove_prefix(size);
  }
  taken = taken && takeLines(trailer) && reader.Finish();
  outcome.headers = reader.ResponseHeaders();
  const platform::ByteBuffer decoded = reader.TakeBody();
  FUZZ_CHECK(decoded.size() <= bodyLimit);
  outcome.taken = taken;
  if (taken) outcome.body = decoded.view();
  return outcome;
}

bool MentionsContentEncoding(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = platform::FoldAsciiCase(c);
  return IsPartOf("content-encoding", folded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const std::string_view headerText = input.Part();
  const std::string_view body = input.Part();
  const std::string_view trailerText = input.Part();
  const std::vector<size_t> sizes = PieceSizes(input.Part());
  const int32_t limit = input.Number();
  const bool followsRedirects = (input.Number() & 1) != 0;
  const size_t bodyLimit = limit > 0 ? static_cast<size_t>(limit) : kDefaultBodyLimit;

  const std::vector<std::string_view> lines = Lines(headerText);
  const std::vector<std::string_view> trailer = Lines(trailerText);
  const Outcome whole = Read(lines, body, trailer, {body.size()}, bodyLimit, followsRedirects);
  const Outcome pieces = Read(lines, body, trailer, sizes, bodyLimit, followsRedirects);

  FUZZ_CHECK(whole.taken == pieces.taken);
  if (!whole.taken) return 0;
  FUZZ_CHECK(whole.body == pieces.body);
  FUZZ_CHECK(whole.headers == pieces.headers);
  FUZZ_CHECK(whole.headerBytes <= ResponseReader::kMaxHeaderBytes);
  // A body without content coding is taken as it came.
  if (!MentionsContentEncoding(headerText)) FUZZ_CHECK(whole.body == body);
  // The headers handed on are unfolded: no line begins with a blank.
  std::string_view headers = whole.headers;
  while (!headers.empty()) {
    FUZZ_CHECK(headers.front() != ' ' && headers.front() != '\t');
    const size_t end = headers.find("\r\n");
    headers.remove_prefix(end == std::string_view::npos ? headers.size() : end + 2);
  }
  return 0;
}
