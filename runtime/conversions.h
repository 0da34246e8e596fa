// Conversions between the program's values.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/byte_array.h"
#include "runtime/text.h"

inline int32_t CmdToInteger(int32_t value) { return value; }
inline int32_t CmdToInteger(bool value) { return value ? 1 : 0; }
// A routine reference gives its address.
template <typename Result, typename... Args>
intptr_t CmdToInteger(Result (*routine)(Args...)) {
  return reinterpret_cast<intptr_t>(routine);
}
// The decimal number read from a text, after full-width forms are mapped to ASCII: leading
// white space skipped, an optional sign, digits up to the first non-digit; no digits give 0.
int32_t CmdToInteger(std::string_view text);
inline int32_t CmdToInteger(const char* text) { return CmdToInteger(std::string_view(text)); }
inline int32_t CmdToInteger(const Text& text) { return CmdToInteger(std::string_view(text)); }

// Decimal form: a minus sign only when negative, no leading zeros or blanks.
Text CmdToText(int32_t value);
// The bytes up to the first zero byte, or all of them.
Text CmdToText(const ByteArray& bytes);

// The four bytes of the integer, least significant first.
ByteArray CmdToBytes(int32_t value);
inline int32_t CmdBytesLength(const ByteArray& bytes) { return bytes.Size(); }

// Quotient truncated toward zero, and the remainder with the sign of a (C++'s own rules).
inline int32_t CmdIntDivide(int32_t a, int32_t b) { return a / b; }
inline int32_t CmdModulo(int32_t a, int32_t b) { return a % b; }
