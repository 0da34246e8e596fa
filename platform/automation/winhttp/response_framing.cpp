#include "platform/automation/winhttp/response_framing.h"

#include <limits>

#include "platform/codepage.h"

namespace platform {
namespace {

constexpr int kNoContent = 204;
constexpr int kPartialContent = 206;
constexpr int kNotModified = 304;

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A decimal length; nullopt for anything else. Lengths beyond 64 bits read as the largest, so
// that they still count as too long.
std::optional<uint64_t> ParseLength(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    value = value > (std::numeric_limits<uint64_t>::max() - digit) / 10
                ? std::numeric_limits<uint64_t>::max()
                : value * 10 + digit;
  }
  return value;
}

// Calls take(token) for each element of a comma-separated list in turn, trimmed; empty elements
// are no tokens.
template <typename Take>
void ForEachToken(std::string_view list, Take take) {
  while (true) {
    const size_t comma = list.find(',');
    const std::string_view token = Trimmed(list.substr(0, comma));
    if (!token.empty()) take(token);
    if (comma == std::string_view::npos) return;
    list.remove_prefix(comma + 1);
  }
}

}  // namespace

bool HeaderNameEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
  }
  return true;
}

void ResponseFraming::StartResponse(std::string_view statusLine) {
  *this = ResponseFraming();
  // "HTTP/1.1 200 OK": the three digits after the first blank.
  const size_t blank = statusLine.find(' ');
  if (blank == std::string_view::npos) return;
  const std::string_view code = statusLine.substr(blank + 1, 3);
  if (code.size() == 3 && ParseLength(code)) status_ = static_cast<int>(*ParseLength(code));
}

std::optional<HeaderField> SplitHeaderLine(std::string_view line) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  return HeaderField{Trimmed(line.substr(0, colon)), Trimmed(line.substr(colon + 1))};
}

void ResponseFraming::AddHeader(std::string_view line) {
  const std::optional<HeaderField> field = SplitHeaderLine(line);
  if (!field) return;
  const auto [name, value] = *field;
  if (HeaderNameEquals(name, "Transfer-Encoding")) {
    transferEncoding_ = true;
    ForEachToken(value, [this](std::string_view token) {
      ++transferCodings_;
      chunked_ = HeaderNameEquals(token, "chunked");
    });
  } else if (HeaderNameEquals(name, "Content-Encoding")) {
    ForEachToken(value, [this](std::string_view token) {
      if (HeaderNameEquals(token, "identity")) return;
      std::string coding(token);
      for (char& c : coding) c = FoldAsciiCase(c);
      contentCodings_.push_back(std::move(coding));
    });
  } else if (HeaderNameEquals(name, "Content-Length")) {
    // "5, 5" repeats one length, which a proxy may do; any other difference, or a value that
    // is no number, leaves the end of the body in doubt.
    std::string_view rest = value;
    do {
      const size_t comma = rest.find(',');
      const std::optional<uint64_t> length = ParseLength(Trimmed(rest.substr(0, comma)));
      if (!length || (length_ && *length_ != *length)) conflicting_ = true;
      if (length && !length_) length_ = length;
      rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    } while (!rest.empty());
  }
}

bool ResponseFraming::CarriesBody() const {
  return !Interim() && status_ != kNoContent && status_ != kNotModified;
}

bool ResponseFraming::Acceptable(size_t bodyLimit) const {
  if (Interim()) return true;
  if (status_ == kPartialContent || conflicting_) return false;
  if (transferEncoding_ && (length_ || transferCodings_ != 1 || !chunked_)) return false;
  return !length_ || *length_ <= bodyLimit;
}

}  // namespace platform
