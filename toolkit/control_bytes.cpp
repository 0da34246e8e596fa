#include "toolkit/control_bytes.h"

#include "platform/codepage.h"

namespace {

void AppendEscaped(Text& out, char byte) {
  constexpr char kHexDigits[] = "0123456789abcdef";
  const auto value = static_cast<unsigned char>(byte);
  out += "\\x";
  out += kHexDigits[value >> 4];
  out += kHexDigits[value & 0x0F];
}

}  // namespace

bool IsControlByte(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return value < 0x20 || value == 0x7F;
}

Text EscapeControlBytes(std::string_view text) {
  Text shown;
  shown.reserve(text.size());
  for (size_t pos = 0; pos < text.size(); ++pos) {
    const char byte = text[pos];
    if (platform::IsDoubleByteLead(byte)) {
      if (pos + 1 < text.size() && !IsControlByte(text[pos + 1])) {
        shown.append(text.substr(pos, 2));
        ++pos;
      } else {
        AppendEscaped(shown, byte);  // its second byte, if any, is escaped next
      }
    } else if (IsControlByte(byte)) {
      AppendEscaped(shown, byte);
    } else {
      shown += byte;
    }
  }
  return shown;
}
