#include "runtime/conversions.h"

#include <cstdint>
#include <limits>

#include "platform/codepage.h"

namespace {

// Full-width ASCII forms (A3 A1..A3 FE), the full-width blank and a few look-alikes become
// their ASCII bytes; every other character is kept.
std::string MapFullWidthForms(std::string_view text) {
  std::string mapped;
  mapped.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (!platform::IsDoubleByteLead(text[i]) || i + 1 >= text.size()) {
      mapped.push_back(text[i]);
      continue;
    }
    auto lead = static_cast<unsigned char>(text[i]);
    auto trail = static_cast<unsigned char>(text[i + 1]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      mapped.push_back(static_cast<char>(trail - 0x80));
    } else if (lead == 0xA1 && trail == 0xA1) {
      mapped.push_back(' ');
    } else if (lead == 0xA1 && trail == 0xAB) {
      mapped.push_back('~');
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      mapped.push_back('*');
    } else {
      mapped.append(text.substr(i, 2));
    }
    ++i;
  }
  return mapped;
}

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

int32_t CmdToInteger(std::string_view text) {
  const std::string mapped = MapFullWidthForms(text);
  size_t pos = 0;
  while (pos < mapped.size() && IsWhiteSpace(mapped[pos])) ++pos;
  bool negative = false;
  if (pos < mapped.size() && (mapped[pos] == '+' || mapped[pos] == '-')) {
    negative = mapped[pos] == '-';
    ++pos;
  }
  // Numbers beyond the 32-bit range saturate instead of overflowing.
  int64_t value = 0;
  const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                 : int64_t{std::numeric_limits<int32_t>::max()};
  for (; pos < mapped.size() && mapped[pos] >= '0' && mapped[pos] <= '9'; ++pos) {
    value = value * 10 + (mapped[pos] - '0');
    if (value > limit) value = limit;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

Text CmdToText(int32_t value) { return std::to_string(value); }

Text CmdToText(const ByteArray& bytes) {
  std::string_view view = bytes.View();
  return Text(view.substr(0, view.find('\0')));
}

ByteArray CmdToBytes(int32_t value) {
  auto bits = static_cast<uint32_t>(value);
  char bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return ByteArray(bytes, 4);
}
