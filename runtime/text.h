// Text: the program's string value, a GBK byte string. An absent text is the empty text.
// Positions and lengths are byte counts; positions are 1-based.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using Text = std::string;

// Concatenation of any number of texts.
template <typename... Parts>
Text RtTextConcat(const Parts&... parts) {
  Text result;
  result.reserve((std::string_view(parts).size() + ... + 0));
  (result.append(std::string_view(parts)), ...);
  return result;
}

// Order by unsigned byte comparison: -1, 0 or 1.
inline int32_t RtTextCompare(std::string_view a, std::string_view b) {
  int order = a.compare(b);  // char_traits<char> compares as unsigned char
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

inline int32_t RtTextLength(std::string_view text) { return static_cast<int32_t>(text.size()); }
